// Operating-system side of loading the device driver libraries: the program
// folder, the registry, the search path, files and run-time linking. Kept free
// of Qt types so that the Windows implementation compiles with a plain cross
// compiler. Texts are wide, as the Windows calls take them.
#ifndef CORVINA_DRIVERPLATFORM_H
#define CORVINA_DRIVERPLATFORM_H

#include <memory>
#include <string>

class DriverPlatform
{
public:
    // An entry point of a loaded library; cast to its real type before calling.
    typedef void (*EntryPoint)();

    virtual ~DriverPlatform() = default;

    // False where the system has no registry, no Windows folder and no Apple
    // support libraries: the loader then neither looks for support folders
    // nor changes the search path, and has no support libraries to retry with.
    virtual bool HasSupportSoftware() const = 0;

    // The folder of the running program, ending in its separator.
    virtual std::wstring ProgramFolder() = 0;

    // The file name of a library with the given base name ("CoreFoundation"
    // becomes "CoreFoundation.dll" or "libCoreFoundation.so").
    virtual std::wstring LibraryFileName(const std::wstring& baseName) const = 0;

    // True while the library is present in the process. Windows looks the
    // file name up among the loaded modules; other systems look for the file
    // in folder.
    virtual bool IsLibraryPresent(const std::wstring& folder, const std::wstring& fileName) = 0;

    // A text value under the local machine's registry key, read from the
    // 64-bit view; false when the key or the value is missing.
    virtual bool ReadMachineText(const std::wstring& key, const std::wstring& valueName, std::wstring& value) = 0;

    // The system folder ("C:\Windows"); empty where there is none.
    virtual std::wstring WindowsFolder() = 0;

    virtual bool FileExists(const std::wstring& path) = 0;

    // The process's environment; false when the variable is not set.
    virtual bool ReadEnvironment(const std::wstring& name, std::wstring& value) = 0;
    virtual bool WriteEnvironment(const std::wstring& name, const std::wstring& value) = 0;

    // Loads a library from a full path; null on failure. Never unloaded.
    virtual void* LoadLibraryFile(const std::wstring& path) = 0;

    // What the system said about the latest LoadLibraryFile that failed (on
    // Unix the loader's message, which names a missing dependency); empty
    // where the system tells nothing.
    virtual std::string LastLoadError() const { return std::string(); }

    // An entry point of a loaded library by name; null when it has none.
    virtual EntryPoint FindEntryPoint(void* library, const char* name) = 0;

    // The implementation of the system the program was built for.
    // programFolder is the folder start-up found the program in; Windows asks
    // the system for the running executable instead.
    static std::unique_ptr<DriverPlatform> Create(const std::wstring& programFolder);
};

#endif
