-- The version-3 step as released: either kind of version-2 file gets the partial company index.
DROP INDEX IF EXISTS UE_LiveDate;
DROP INDEX IF EXISTS UE_LiveCompany;
CREATE INDEX UE_LiveCompany ON UE (EName) WHERE theDel = '否';
