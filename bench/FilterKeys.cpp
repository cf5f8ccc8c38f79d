// The Find filter over a set list of many names, as a person types: the
// line opened over a list of N names (the window's own list widget, shown
// offscreen), a text typed one key at a time, each key timed until the
// list has filtered and painted, then the same text taken back one key at a
// time (the list set up as the add-in's window sets it up). Prints a Markdown table: the slowest key, the median key,
// and how many names the whole text keeps (which the run checks).
//
//   quarnel_filter_bench [--smoke] [--names=10000]

#include "RememberedSizeDelegate.h"
#include "SetListFilter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

/// Names as years of saving make them: a few words in many spellings,
/// accents and cases, numbered.
QString nameOf(int i)
{
    static const char *const words[] = {"Roads",   "Rivers", "Night",  "Draft",      "Zoning", "Élévation",
                                        "Parcels", "Final",  "Survey", "Öffentlich", "Flood",  "Base"};
    const auto word = [](int n) { return QString::fromUtf8(words[static_cast<std::size_t>(n) % std::size(words)]); };
    return QStringLiteral("%1 %2 %3 %4").arg(word(i), word(i / 7).toLower(), word(i / 49)).arg(i);
}

} // namespace

int main(int argc, char **argv)
{
    int count = 10000;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--smoke")
            count = 1000;
        else if (argument.startsWith("--names="))
            count = argument.mid(8).toInt();
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QWidget window;
    window.resize(300, 400);
    auto *list = new QListWidget(&window);
    list->setGeometry(10, 10, 280, 380);
    // As the add-in's window sets up its list.
    list->setItemDelegate(new RememberedSizeDelegate(list));
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << nameOf(i);
    list->addItems(names);
    SetListFilter filter(*list, &window);
    window.show();
    QApplication::processEvents();
    filter.open();
    QApplication::processEvents();

    const QString typed = QStringLiteral("vation night");
    std::vector<double> keys;
    const auto timeKey = [&](auto press) {
        QElapsedTimer timer;
        timer.start();
        press();
        QApplication::processEvents();
        list->viewport()->repaint();
        keys.push_back(timer.nsecsElapsed() / 1e6);
    };
    for (const QChar c : typed)
        timeKey([&] { QTest::keyClick(&filter.line(), c.toLatin1()); });
    int kept = 0;
    for (int row = 0; row < list->count(); ++row)
        kept += !list->item(row)->isHidden();
    int expected = 0;
    for (const QString &name : names)
        expected += SetListFilter::folded(name).contains(SetListFilter::folded(typed));
    for (int i = 0; i < typed.size(); ++i)
        timeKey([&] { QTest::keyClick(&filter.line(), Qt::Key_Backspace); });
    int shown = 0;
    for (int row = 0; row < list->count(); ++row)
        shown += !list->item(row)->isHidden();

    std::vector<double> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    const double slowest = sorted.back();
    std::printf("| Find filter over %d names, a key typed or taken back | slowest %.2f ms, median %.2f ms | "
                "≤ 16 ms | %s |\n",
                count, slowest, sorted[sorted.size() / 2], slowest <= 16 ? "met" : "missed");
    if (kept != expected || expected == 0 || shown != count) {
        std::fprintf(stderr, "the filter kept %d names where %d hold \"%s\", and showed %d of %d again\n", kept,
                     expected, qPrintable(typed), shown, count);
        return 1;
    }
    return 0;
}
