-- The version-2 step's last indexes as first released.
CREATE INDEX UE_LiveDate ON UE (theDel, myDate);
CREATE INDEX UE_LiveCompany ON UE (theDel, EName);
