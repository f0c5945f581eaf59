// The sentences that tell the user why an operation failed, what a backup
// saved and how far a running one has come: the same words in the window and
// on the command line, so they need Qt Core only. They are translated in the
// context of the backup page, where they were first shown.
// Threads: every function is reentrant; the translation installed at start-up
// is read, never changed.
#ifndef CORVINA_CCAUSETEXT_H
#define CORVINA_CCAUSETEXT_H

#include "CBackupSetCheck.h"
#include "CFailureCause.h"
#include "CSetSeed.h"

#include <QCoreApplication>
#include <QString>

class CCauseText
{
    Q_DECLARE_TR_FUNCTIONS(widgetPrepareProgressResult)

public:
    // One or two sentences: what happened and what to do; empty for None.
    // Tool text is cut to a sane length; it is meant to be shown as plain text.
    static QString CauseText(const structFailureCause& structFailureCauseThis);

    // What a backup whose set passed the check saved: its files, their total
    // size and whether the set is encrypted; one line.
    static QString SavedText(const structSetCheck& structSetCheckThis);

    // What a backup seeded from an earlier set took from the device, against
    // the set's whole size; empty when either was not counted.
    static QString TransferText(const structTransfer& structTransferThis);

    // The step that fills a new set with what the last backup of the device holds.
    static QString SeedStepText();

    // What to do when the device asks for its passcode as a backup starts.
    static QString PasscodeHintText();

    // Bytes so far of the expected total and the time left, as far as each is
    // known (negative: unknown): "12 MB of 64 MB · about 3 min left", either
    // half alone, or empty when neither is known.
    static QString ProgressText(qint64 iBytesDone, qint64 iBytesExpected, qint64 iMsecsLeft);

    // A time left, rounded up the way a person says it: "less than a minute",
    // "3 min", "1 h 20 min".
    static QString DurationText(qint64 iMsecs);
};

#endif
