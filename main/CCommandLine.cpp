#include "CCommandLine.h"

namespace {

struct structCommandEntry
{
    const char* pszName;
    enumCliCommand eiCommand;
    const char* pszOptions;  // the options it takes, blank-separated
    int iPositionals;        // arguments it needs (exactly), or -1: none or one
};

const structCommandEntry kCommands[] = {
    {"devices", eiCliCommand_Devices, "--json", 0},
    {"backup", eiCliCommand_Backup, "--device --to --apps --full --json", 0},
    {"restore", eiCliCommand_Restore, "--device --yes --json", 1},
    {"list", eiCliCommand_List, "--json", -1},
    {"verify", eiCliCommand_Verify, "--json", 1},
};

bool TakesValue(const QString& qstrOption)
{
    return qstrOption == QLatin1String("--device") || qstrOption == QLatin1String("--to");
}

const structCommandEntry* FindCommand(const QString& qstrName)
{
    for (const structCommandEntry& entry : kCommands) {
        if (qstrName == QLatin1String(entry.pszName))
            return &entry;
    }
    return nullptr;
}

void SetOption(structCliRequest& request, const QString& qstrOption, const QString& qstrValue)
{
    if (qstrOption == QLatin1String("--device"))
        request.qstrDevice = qstrValue;
    else if (qstrOption == QLatin1String("--to"))
        request.qstrTo = qstrValue;
    else if (qstrOption == QLatin1String("--apps"))
        request.bApps = true;
    else if (qstrOption == QLatin1String("--full"))
        request.bFull = true;
    else if (qstrOption == QLatin1String("--yes"))
        request.bYes = true;
    else if (qstrOption == QLatin1String("--json"))
        request.bJson = true;
}

} // namespace

bool CCommandLine::Parse(const QStringList& listArguments, structCliRequest& request, QString& qstrError)
{
    request = structCliRequest();
    if (listArguments.isEmpty() || listArguments.first() == QLatin1String("--help")
        || listArguments.first() == QLatin1String("-h") || listArguments.first() == QLatin1String("help")) {
        request.eiCommand = eiCliCommand_Help;
        return true;
    }
    const structCommandEntry* entry = FindCommand(listArguments.first());
    if (entry == nullptr) {
        qstrError = tr("Unknown command \"%1\".").arg(listArguments.first());
        return false;
    }
    request.eiCommand = entry->eiCommand;
    const QStringList listAllowed = QString::fromLatin1(entry->pszOptions).split(QLatin1Char(' '));
    QStringList listPositionals;
    bool bOptionsEnded = false;
    for (qsizetype i = 1; i < listArguments.size(); ++i) {
        const QString& qstrArgument = listArguments.at(i);
        if (bOptionsEnded || !qstrArgument.startsWith(QLatin1String("-")) || qstrArgument == QLatin1String("-")) {
            listPositionals.append(qstrArgument);
            continue;
        }
        if (qstrArgument == QLatin1String("--")) {
            bOptionsEnded = true;
            continue;
        }
        if (qstrArgument == QLatin1String("--help") || qstrArgument == QLatin1String("-h")) {
            request = structCliRequest();
            return true;
        }
        const qsizetype iEquals = qstrArgument.indexOf(QLatin1Char('='));
        const QString qstrOption = iEquals < 0 ? qstrArgument : qstrArgument.left(iEquals);
        if (!listAllowed.contains(qstrOption)) {
            qstrError = tr("The command %1 has no option %2.").arg(listArguments.first(), qstrOption);
            return false;
        }
        QString qstrValue;
        if (TakesValue(qstrOption)) {
            if (iEquals >= 0)
                qstrValue = qstrArgument.mid(iEquals + 1);
            else if (i + 1 < listArguments.size())
                qstrValue = listArguments.at(++i);
            if (qstrValue.isEmpty()) {
                qstrError = tr("The option %1 needs a value.").arg(qstrOption);
                return false;
            }
        } else if (iEquals >= 0) {
            qstrError = tr("The option %1 takes no value.").arg(qstrOption);
            return false;
        }
        SetOption(request, qstrOption, qstrValue);
    }
    const bool bCountRight = entry->iPositionals < 0 ? listPositionals.size() <= 1
                                                    : listPositionals.size() == entry->iPositionals;
    if (!bCountRight) {
        qstrError = entry->iPositionals == 1 ? tr("The command %1 needs one backup set folder.").arg(listArguments.first())
                                            : tr("Too many arguments for the command %1.").arg(listArguments.first());
        return false;
    }
    if (entry->eiCommand == eiCliCommand_List)
        request.qstrDir = listPositionals.value(0);
    else
        request.qstrSet = listPositionals.value(0);
    return true;
}

QString CCommandLine::HelpText()
{
    return tr("Usage: corvina [COMMAND [OPTIONS]]\n"
              "Without a command Corvina opens its window.\n"
              "\n"
              "Commands:\n"
              "  devices [--json]                 the connected devices\n"
              "  backup [--device UDID|NAME] [--to DIR] [--apps] [--full] [--json]\n"
              "                                   back up a device's personal data (and with --apps its apps)\n"
              "                                   into a new set in DIR (default: the window's backup folder)\n"
              "  restore SET [--device UDID|NAME] [--yes] [--json]\n"
              "                                   replace the device's data with the set's; asks first unless --yes\n"
              "  list [DIR] [--json]              the backup sets in DIR: date, device, iOS, size, state, encryption\n"
              "  verify SET [--json]              check every file of a set\n"
              "  --help                           this text\n"
              "\n"
              "--device may be left out when one device is connected. --json prints one JSON object per line.\n"
              "Ctrl-C cancels a running backup.\n"
              "\n"
              "Exit codes: 0 done, 1 failed (the cause on standard error), 2 wrong usage,\n"
              "3 no such device or no device.\n");
}
