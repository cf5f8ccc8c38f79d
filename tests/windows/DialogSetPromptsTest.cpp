// The set list's questions as a person reads them: every set name shown as
// written, and closing a question gives the answer that changes nothing.
#include "DialogSetPrompts.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

/// The texts of a dialog's labels and text boxes as they are drawn.
QStringList drawnTexts(const QWidget &dialog)
{
    QStringList texts;
    for (const QLabel *label : dialog.findChildren<QLabel *>()) {
        const bool markup = label->textFormat() == Qt::RichText
                            || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
        texts << (markup ? QTextDocumentFragment::fromHtml(label->text()).toPlainText() : label->text());
    }
    for (const QLineEdit *box : dialog.findChildren<QLineEdit *>())
        texts << box->text();
    return texts;
}

TEST(SetQuestions, ShowSetNamesAsWrittenAndCloseWithoutAChange)
{
    struct Case
    {
        const char *what;
        /// Asks the question and describes the answer.
        std::function<QString(DialogSetPrompts &)> ask;
        QStringList shown;
        QString answerWhenClosed;
    };
    const QString name = QStringLiteral("<b>x</b> &amp; <i>y</i>");
    const QString other = QStringLiteral("<font color=red>z</font>");
    const Case cases[] = {
        {"rename",
         [&](DialogSetPrompts &p) { return p.newName(nullptr, name).value_or(QStringLiteral("(none)")); },
         {name},
         QStringLiteral("(none)")},
        {"merge on rename",
         [&](DialogSetPrompts &p) {
             return p.confirmMerge(nullptr, other, name) ? QStringLiteral("merge") : QStringLiteral("keep");
         },
         {QStringLiteral("A set named \"%1\" exists already. Merge \"%2\" into it?").arg(name, other)},
         QStringLiteral("keep")},
        {"name in use on import",
         [&](DialogSetPrompts &p) {
             return p.onClash(nullptr, name) == SetStore::Clash::Skip ? QStringLiteral("skip") : QStringLiteral("take");
         },
         {QStringLiteral("A set named \"%1\" exists already.").arg(name)},
         QStringLiteral("skip")},
        {"edit layers",
         [&](DialogSetPrompts &p) {
             SetLayers layers;
             layers.recorded = {{{"Layers", "Streets", true}, std::nullopt}};
             return p.editLayers(nullptr, name, layers) ? QStringLiteral("edited") : QStringLiteral("(none)");
         },
         {QStringLiteral("Layers that the set \"%1\" records:").arg(name)},
         QStringLiteral("(none)")},
        {"a set saved again during an edit",
         [&](DialogSetPrompts &p) {
             return p.overwriteChangedSet(nullptr, name, {other}) ? QStringLiteral("overwrite")
                                                                  : QStringLiteral("keep");
         },
         {QStringLiteral("The set \"%1\" was saved again while its layers were being edited:\n\n%2\n\n"
                         "Replace it with the edit?")
              .arg(name, other)},
         QStringLiteral("keep")},
        {"export of one set",
         [&](DialogSetPrompts &p) { return p.exportFile(nullptr, {name}); },
         {QStringLiteral("<b>x<_b> &amp; <i>y<_i>.sets")},
         QString()},
    };
    for (const Case &c : cases) {
        DialogSetPrompts prompts;
        QStringList drawn;
        bool asked = false;
        QTimer::singleShot(0, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            asked = true;
            drawn = drawnTexts(*dialog);
            dialog->close();
        });
        EXPECT_EQ(c.ask(prompts), c.answerWhenClosed) << c.what;
        ASSERT_TRUE(asked) << c.what;
        for (const QString &text : c.shown)
            EXPECT_TRUE(drawn.contains(text)) << c.what << ": " << qPrintable(drawn.join(QLatin1Char('|')));
    }
}

} // namespace
