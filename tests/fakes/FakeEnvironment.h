// What the fake tools take from their environment: the scenario to play, its
// parameters, and where to record the arguments they were started with.
//
//   CORVINA_FAKE_SCENARIO   words separated by commas; a word applies to both
//                           fakes, "idevicebackup2:word" or "ideviceinstaller:word"
//                           to one of them
//   CORVINA_FAKE_ARGS_FILE  each run appends "#<tool>" and then one argument per line
//   CORVINA_FAKE_STEP_MS    pause between two progress updates (default 15)
//   CORVINA_FAKE_WAIT_MS    length of a silent wait (default 120000)
//   CORVINA_FAKE_MEGABYTES  progress output of the "megabytes" scenario (default 4)
//   CORVINA_FAKE_APP_COUNT  apps on the device (default 4)
//   CORVINA_FAKE_FAIL_IDS   app identifiers whose archive or install fails
//   CORVINA_FAKE_DEVICE_DIR folder standing for the device: installed.txt
//
// Scenario words of idevicebackup2 (backup and restore alike; none: success):
//   device-error         "ErrorCode 105 ..." mid-way, exit code 151
//   disconnect           "ERROR: Could not receive from mobilebackup2 (-256)", exit 255
//   no-device            "No device found with udid X." (no error word), exit 255
//   no-finished          a successful end without any "Finished", exit 0
//   finished-then-abort  all progress up to 100, then "Backup Aborted.", exit 255
//   crash                progress up to 60, then SIGSEGV
//   split-failed         "Backup Failed (Error Code 0)." in three flushed pieces, exit 0
//   split-finished       the only "Finished" in two flushed pieces, then success
//   silent-wait          mid-way, CORVINA_FAKE_WAIT_MS without output; SIGTERM aborts
//   ignore-term          the same wait, SIGTERM ignored
//   megabytes            CORVINA_FAKE_MEGABYTES of per-file progress, then success
//   non-ascii            a line of UTF-8 text outside ASCII
// A restore reads DIR/SOURCE: no Info.plist is an error, Info.plist without
// Manifest.plist a SIGABRT, as with the real tool.
//
// Scenario words of ideviceinstaller:
//   old-device           archiving works (otherwise "UnknownCommand", exit 255)
//   zero-byte, no-length a 0-byte archive left behind, exit 255 or exit 0
//   large-archive        the archive is made larger than 2 GiB (sparse)
//   no-device            "No device found ..." on standard error, exit 255
//   list-crash, crash    SIGSEGV in "-l", or in "-a" and "-i"
//   silent-wait          a silent wait in "-a" and "-i"; SIGTERM aborts
//   crlf, two-column, non-ascii, comma-name, marker-name, traversal-id
//                        forms of the "-l" output (line ends, a missing
//                        version, names, an identifier with "../")
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
