-- The version-2 step's last index as it was changed after its release: some files of version 2
-- have this partial company index in place of the two plain ones.
CREATE INDEX UE_LiveCompany ON UE (EName) WHERE theDel = '否';
