#pragma once

#include <QString>

// The scanned blank waybill of a company: Image/<company name>.jpg below the program's
// folder. Characters that cannot stand in a file name are encoded as "%XX", and so is a
// "%" that would read as such a code, so no company name can reach a path outside Image/
// and no two names share one file.
QString CompanyPicturePath(const QString& companyName);
bool CompanyPictureExists(const QString& companyName);

// Makes a copy of `sourceFile` the company's picture. The old picture is replaced only
// by a complete copy; otherwise it stays and AppError is thrown. Picking the company's
// own file changes nothing.
void CopyInCompanyPicture(const QString& companyName, const QString& sourceFile);

// A missing file, or one another program holds open, is no failure: the picture is
// only a backdrop for laying out, and a leftover file harms nobody.
void RemoveCompanyPicture(const QString& companyName);
