// Files as the real tools and the device leave them: XML property lists, the
// backup database, app archives (zip files holding Payload/*.app/Info.plist).
#ifndef CORVINA_FAKEFILES_H
#define CORVINA_FAKEFILES_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fake {

// One dictionary entry: the key and its value, either plist XML ("<true/>",
// "<date>...</date>") or a plain text that becomes a <string>.
using PlistEntry = std::pair<std::string, std::string>;

std::string PlistDocument(const std::vector<PlistEntry>& listEntries);

// An SQLite database file holding no tables (one page of 4096 bytes).
std::string EmptySqliteDatabase();

// A stored (uncompressed) zip archive of an app: Payload/NAME.app/Info.plist
// naming the bundle identifier, and iTunesMetadata.plist.
std::string AppArchive(const std::string& strBundleID, const std::string& strVersion, const std::string& strName);

// The bundle identifier an archive's Info.plist names; empty when the bytes
// are not such an archive.
std::string BundleIDOfArchive(const std::string& strArchive);

bool IsDirectory(const std::string& strPath);
bool MakeDirectory(const std::string& strPath);
bool WriteFile(const std::string& strPath, const std::string& strContent);
bool ReadFile(const std::string& strPath, std::string& strContent);
bool AppendLine(const std::string& strPath, const std::string& strLine);

// Extends the file with a hole to iSize bytes (no disk space is used).
bool ExtendSparse(const std::string& strPath, std::uint64_t iSize);

} // namespace fake

#endif
