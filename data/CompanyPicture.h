#pragma once

#include <QString>

// The scanned blank waybill of a company: Image/<company name>.jpg below the program's
// folder. Characters that cannot stand in a file name are encoded as "%XX", and so is a
// "%" that would read as such a code, so no company name can reach a path outside Image/
// and no two names share one file.
// On a server the picture is the company's row in SPicture, which every PC shows, and the
// file is this PC's copy of it: the row is read the first time a run asks for the company's
// picture and written to the file, or the file removed when there is no row.
QString CompanyPicturePath(const QString& companyName);
bool CompanyPictureExists(const QString& companyName);

// Makes a copy of `sourceFile` the company's picture. The old picture is replaced only
// by a complete copy; otherwise it stays and AppError is thrown. Picking the company's
// own file changes nothing. On a server the copy goes into the company's row too.
void CopyInCompanyPicture(const QString& companyName, const QString& sourceFile);

// A missing file, or one another program holds open, is no failure: the picture is
// only a backdrop for laying out, and a leftover file harms nobody. On a server the
// company's row goes (in the caller's transaction, if one is open), then this PC's copy.
void RemoveCompanyPicture(const QString& companyName);
