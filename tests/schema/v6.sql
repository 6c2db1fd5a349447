-- The version-6 step as released: each contact remembers the waybill that used it last.
ALTER TABLE USender ADD COLUMN theUsed INTEGER NOT NULL DEFAULT 0;
ALTER TABLE UAddressee ADD COLUMN theUsed INTEGER NOT NULL DEFAULT 0;
