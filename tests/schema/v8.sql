-- The version-8 step as released: contacts and companies carry a version number.
ALTER TABLE USender ADD COLUMN theVersion INTEGER NOT NULL DEFAULT 0;
ALTER TABLE UAddressee ADD COLUMN theVersion INTEGER NOT NULL DEFAULT 0;
ALTER TABLE SCom ADD COLUMN theVersion INTEGER NOT NULL DEFAULT 0;
