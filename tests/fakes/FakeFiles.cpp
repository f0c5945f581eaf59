#include "FakeFiles.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace fake {

namespace {

void PutLittleEndian(std::string& strOut, std::uint64_t iValue, int iBytes)
{
    for (int i = 0; i < iBytes; ++i)
        strOut += static_cast<char>((iValue >> (8 * i)) & 0xFF);
}

void PutBigEndian(std::string& strOut, std::size_t iAt, std::uint32_t iValue, int iBytes)
{
    for (int i = 0; i < iBytes; ++i)
        strOut[iAt + i] = static_cast<char>((iValue >> (8 * (iBytes - 1 - i))) & 0xFF);
}

std::uint32_t Crc32(const std::string& strData)
{
    std::uint32_t iCrc = 0xFFFFFFFFu;
    for (const char c : strData) {
        iCrc ^= static_cast<unsigned char>(c);
        for (int i = 0; i < 8; ++i)
            iCrc = (iCrc >> 1) ^ (0xEDB88320u & (0u - (iCrc & 1u)));
    }
    return ~iCrc;
}

struct ZipMember
{
    std::string strName;
    std::string strData;
    std::uint32_t iOffset = 0;
};

// The fields a local header and its central directory entry share, from
// "version needed" to the extra field's length.
void PutSharedFields(std::string& strZip, const ZipMember& member)
{
    const std::uint32_t iSize = static_cast<std::uint32_t>(member.strData.size());
    PutLittleEndian(strZip, 10, 2); // version needed
    PutLittleEndian(strZip, 0, 8);  // flags, stored, time and date
    PutLittleEndian(strZip, Crc32(member.strData), 4);
    PutLittleEndian(strZip, iSize, 4);
    PutLittleEndian(strZip, iSize, 4);
    PutLittleEndian(strZip, static_cast<std::uint32_t>(member.strName.size()), 2);
    PutLittleEndian(strZip, 0, 2); // extra
}

std::string ZipArchive(std::vector<ZipMember> listMembers)
{
    std::string strZip;
    for (ZipMember& member : listMembers) {
        member.iOffset = static_cast<std::uint32_t>(strZip.size());
        PutLittleEndian(strZip, 0x04034B50u, 4); // local file header
        PutSharedFields(strZip, member);
        strZip += member.strName + member.strData;
    }
    const std::uint32_t iDirectoryAt = static_cast<std::uint32_t>(strZip.size());
    for (const ZipMember& member : listMembers) {
        PutLittleEndian(strZip, 0x02014B50u, 4); // central directory entry
        PutLittleEndian(strZip, 20, 2);          // version made by
        PutSharedFields(strZip, member);
        PutLittleEndian(strZip, 0, 4); // comment length, disk
        PutLittleEndian(strZip, 0, 2); // internal attributes
        PutLittleEndian(strZip, 0, 4); // external attributes
        PutLittleEndian(strZip, member.iOffset, 4);
        strZip += member.strName;
    }
    const std::uint32_t iDirectorySize = static_cast<std::uint32_t>(strZip.size()) - iDirectoryAt;
    const std::uint32_t iCount = static_cast<std::uint32_t>(listMembers.size());
    PutLittleEndian(strZip, 0x06054B50u, 4); // end of central directory
    PutLittleEndian(strZip, 0, 4);           // disk numbers
    PutLittleEndian(strZip, iCount, 2);
    PutLittleEndian(strZip, iCount, 2);
    PutLittleEndian(strZip, iDirectorySize, 4);
    PutLittleEndian(strZip, iDirectoryAt, 4);
    PutLittleEndian(strZip, 0, 2);
    return strZip;
}

bool PutFile(const std::string& strPath, const char* szMode, const std::string& strContent)
{
    FILE* pFile = std::fopen(strPath.c_str(), szMode);
    if (pFile == nullptr)
        return false;
    const bool bWritten = std::fwrite(strContent.data(), 1, strContent.size(), pFile) == strContent.size();
    return std::fclose(pFile) == 0 && bWritten;
}

const char szBundleKey[] = "<key>CFBundleIdentifier</key>\n\t<string>";

std::string PlistString(const std::string& strValue)
{
    return "<string>" + strValue + "</string>";
}

} // namespace

std::string PlistDocument(const std::vector<PlistEntry>& listEntries)
{
    std::string strXml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                         "<plist version=\"1.0\">\n<dict>\n";
    for (const PlistEntry& entry : listEntries) {
        const bool bXml = !entry.second.empty() && entry.second[0] == '<';
        strXml += "\t<key>" + entry.first + "</key>\n\t" + (bXml ? entry.second : PlistString(entry.second)) + "\n";
    }
    strXml += "</dict>\n</plist>\n";
    return strXml;
}

std::string EmptySqliteDatabase()
{
    std::string strDb(4096, '\0');
    const std::string strMagic("SQLite format 3", 16);
    strDb.replace(0, strMagic.size(), strMagic);
    PutBigEndian(strDb, 16, 4096, 2); // page size
    strDb[18] = 1;                    // file format write version
    strDb[19] = 1;                    // file format read version
    strDb[20] = 0;                    // reserved bytes per page
    strDb[21] = 64;                   // maximum embedded payload fraction
    strDb[22] = 32;                   // minimum embedded payload fraction
    strDb[23] = 32;                   // leaf payload fraction
    PutBigEndian(strDb, 24, 1, 4);    // file change counter
    PutBigEndian(strDb, 28, 1, 4);    // database size in pages
    PutBigEndian(strDb, 44, 4, 4);    // schema format
    PutBigEndian(strDb, 56, 1, 4);    // text encoding UTF-8
    PutBigEndian(strDb, 92, 1, 4);    // version-valid-for
    PutBigEndian(strDb, 96, 3040001, 4);
    strDb[100] = 0x0D;                // page 1: an empty table leaf (the schema table)
    PutBigEndian(strDb, 105, 4096, 2);
    return strDb;
}

std::string AppArchive(const std::string& strBundleID, const std::string& strVersion, const std::string& strName)
{
    const std::string strInfo = PlistDocument({{"CFBundleIdentifier", strBundleID},
                                               {"CFBundleShortVersionString", strVersion},
                                               {"CFBundleDisplayName", strName},
                                               {"CFBundleExecutable", "App"}});
    const std::string strMetadata = PlistDocument({{"softwareVersionBundleId", strBundleID}, {"itemName", strName}});
    return ZipArchive({{"Payload/App.app/Info.plist", strInfo, 0}, {"iTunesMetadata.plist", strMetadata, 0}});
}

std::string BundleIDOfArchive(const std::string& strArchive)
{
    if (strArchive.compare(0, 4, "PK\x03\x04") != 0)
        return std::string();
    const std::string strKey(szBundleKey);
    const std::size_t iAt = strArchive.find(strKey);
    if (iAt == std::string::npos)
        return std::string();
    const std::size_t iBegin = iAt + strKey.size();
    const std::size_t iEnd = strArchive.find('<', iBegin);
    return iEnd == std::string::npos ? std::string() : strArchive.substr(iBegin, iEnd - iBegin);
}

bool IsDirectory(const std::string& strPath)
{
    struct stat info {};
    return stat(strPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeDirectory(const std::string& strPath)
{
    return mkdir(strPath.c_str(), 0755) == 0 || errno == EEXIST;
}

bool WriteFile(const std::string& strPath, const std::string& strContent)
{
    return PutFile(strPath, "wb", strContent);
}

bool ReadFile(const std::string& strPath, std::string& strContent)
{
    FILE* pFile = std::fopen(strPath.c_str(), "rb");
    if (pFile == nullptr)
        return false;
    strContent.clear();
    char acBuffer[65536];
    std::size_t iRead = 0;
    // Only the head of a large archive matters to the fakes.
    while ((iRead = std::fread(acBuffer, 1, sizeof(acBuffer), pFile)) > 0 && strContent.size() < (1u << 20))
        strContent.append(acBuffer, iRead);
    std::fclose(pFile);
    return true;
}

bool AppendLine(const std::string& strPath, const std::string& strLine)
{
    return PutFile(strPath, "ab", strLine + "\n");
}

bool ExtendSparse(const std::string& strPath, std::uint64_t iSize)
{
    return truncate(strPath.c_str(), static_cast<off_t>(iSize)) == 0;
}

} // namespace fake
