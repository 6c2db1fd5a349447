#pragma once

#include <QString>

// The scanned blank waybill of a company: Image/<company name>.jpg below the program's
// folder. Characters that cannot stand in a file name are encoded, so no company name
// can reach a path outside Image/.
QString CompanyPicturePath(const QString& companyName);
