#include "ConsoleMessageBox.h"

#include <cstdio>

void ConsoleMessageBox::show(const QString &text, const QString &title)
{
    // Report boxes join their lines with CR LF; a terminal wants one line.
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "quarnel-sets: %s: %s\n", title.toUtf8().constData(), line.toUtf8().constData());
}
