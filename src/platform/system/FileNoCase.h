#pragma once
// Finding files without regard to letter case. Address files and their
// companions (.FPT memo, .CDX index) travel between systems that ignore case
// and this one, which does not: "DATA/ADD0001.DBF" may sit on disk as
// "data/add0001.dbf". These helpers find what is there; they never create.
#include <QString>

namespace platform {

// The existing file or folder whose path matches `path` when every part of
// it is compared case-insensitively; empty when there is none. An exact
// match is preferred; among several case variants the first in name order
// wins, so the answer does not depend on the order of the directory.
QString FindFileNoCase(const QString& path);

// The existing companion of `path` with the extension `extension` (no dot,
// any case), e.g. ("X/ADD0001.DBF", "fpt") finds "X/add0001.fpt"; empty
// when there is none.
QString FindCompanionFile(const QString& path, const QString& extension);

// The name to create a companion under: `path` with its extension replaced by
// `extension`, written in upper case when the extension of `path` has no
// lower-case letter and in lower case otherwise ("add0001.DBF" + "fpt" ->
// "add0001.FPT"). A path without extension keeps `extension` as given.
QString CompanionFileName(const QString& path, const QString& extension);

}  // namespace platform
