-- The version-4 step as released: a form's height and printer, the offsets' origin as a code.
ALTER TABLE SForm ADD COLUMN theHeight REAL NOT NULL DEFAULT 0;
ALTER TABLE SForm ADD COLUMN thePrinter TEXT NOT NULL DEFAULT '';
UPDATE SOffset SET theOrigin = CASE theOrigin WHEN '纸张边缘' THEN 'paper-edge' ELSE 'printable-area' END;
