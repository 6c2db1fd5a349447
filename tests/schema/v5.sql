-- The version-5 step as released: print-log kinds as codes, a waybill's version number,
-- offsets per PC, and a table for the form pictures.
UPDATE ULog SET theKind = CASE theKind WHEN '批量' THEN 'batch' ELSE 'single' END;
ALTER TABLE UE ADD COLUMN theVersion INTEGER NOT NULL DEFAULT 0;
ALTER TABLE SOffset ADD COLUMN thePC TEXT NOT NULL DEFAULT '';
DROP INDEX SOffset_Key;
CREATE UNIQUE INDEX SOffset_Key ON SOffset (thePC, thePrinter, EName);
CREATE TABLE SPicture (ID INTEGER PRIMARY KEY AUTOINCREMENT, EName TEXT NOT NULL DEFAULT '', theData BLOB NOT NULL, theTime TEXT NOT NULL DEFAULT '');
CREATE UNIQUE INDEX SPicture_Key ON SPicture (EName);
