-- The version-7 step as released: the sender's and the recipient's full address for every
-- company, switched off, with a box width.
INSERT INTO SP (EName, theV, theName, theT, theL, theP) SELECT DISTINCT EName, '寄件人完整地址', 'JP11', 265, 10, '否' FROM SP WHERE theName = 'JP01';
INSERT INTO SP (EName, theV, theName, theT, theL, theP) SELECT DISTINCT EName, '收件人完整地址', 'SP11', 150, 510, '否' FROM SP WHERE theName = 'JP01';
INSERT INTO SPWidth (EName, theName, theW) SELECT DISTINCT EName, 'JP11', 360 FROM SP WHERE theName = 'JP01';
INSERT INTO SPWidth (EName, theName, theW) SELECT DISTINCT EName, 'SP11', 360 FROM SP WHERE theName = 'JP01';
