// What the fake tools take from their environment:
//   CORVINA_FAKE_SCENARIO   comma-separated words; "idevicebackup2:word" or
//                           "ideviceinstaller:word" applies to one fake only
//   CORVINA_FAKE_ARGS_FILE  each run appends "#<tool>", then one argument a line
//   CORVINA_FAKE_STEP_MS    pause between progress updates (15); CORVINA_FAKE_WAIT_MS
//                           length of a silent wait (120000)
//   CORVINA_FAKE_MEGABYTES  output of "megabytes" (4); CORVINA_FAKE_APP_COUNT apps (4)
//   CORVINA_FAKE_FAIL_IDS   app identifiers whose archive or install fails
//   CORVINA_FAKE_DEVICE_DIR the device's folder: installed.txt
// idevicebackup2 words (none: success): device-error ("ErrorCode 105", exit 151),
// disconnect (exit 255), no-device (no error word, exit 255), no-finished,
// finished-then-abort, crash (SIGSEGV at 60), split-failed ("Backup Failed (Error
// Code 0)." in pieces, exit 0), split-finished, silent-wait (SIGTERM aborts),
// ignore-term, megabytes, non-ascii.
// A restore without DIR/SOURCE/Info.plist fails; with it but without
// Manifest.plist it aborts (SIGABRT), as the real one.
// ideviceinstaller words: old-device (archiving works, else "UnknownCommand"),
// zero-byte / no-length (0-byte archive, exit 255 / 0), large-archive (> 2 GiB,
// sparse), no-device, list-crash, crash ("-a", "-i"), silent-wait, upload-fails and
// device-removed ("-i" fails with exit code 0 and no error word); forms of "-l":
// crlf, two-column, non-ascii, comma-name, marker-name, traversal-id.
#ifndef CORVINA_FAKEENVIRONMENT_H
#define CORVINA_FAKEENVIRONMENT_H

#include <string>
#include <vector>

namespace fake {

// The tool's name, used for scenario words and the argument record.
void SetToolName(const char* szToolName);

void RecordArguments(int argc, char** argv);

bool HasScenario(const char* szWord);

std::string EnvText(const char* szName, const std::string& strDefault = std::string());
long EnvNumber(const char* szName, long iDefault);
std::vector<std::string> EnvList(const char* szName);
bool Contains(const std::vector<std::string>& listTexts, const std::string& strText);

void SleepMs(long iMsecs);

// Ends the process by the signal, as a crash does (no core file).
[[noreturn]] void CrashBySignal(int iSignal);

// Sleeps for CORVINA_FAKE_WAIT_MS without output. With bHonourTerm a
// SIGTERM or SIGINT ends the tool as the real ones end: "Exiting..." on
// standard error, then szAbortedLine on standard output, exit code 255; without
// it the signals are ignored and only SIGKILL ends the wait early.
void SilentWait(bool bHonourTerm, const char* szAbortedLine);

} // namespace fake

#endif
