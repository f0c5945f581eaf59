#include "CFontSubstitutes.h"

#include <QFont>
#include <QStringList>

void CFontSubstitutes::Install()
{
    // Qt tries a family's substitutes in order, and keeps them as the first
    // fall-backs for characters the chosen font lacks: so the Chinese
    // characters of an "Arial" text come from the same font as those of the
    // "微软雅黑" texts, not from the configuration's first CJK font.
    const QString qstrChinese = QStringLiteral("Noto Sans CJK SC");
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), qstrChinese});
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), {qstrChinese, QStringLiteral("WenQuanYi Micro Hei")});
}
