// mapdesk with the add-in: set names in many scripts go through the name
// dialog into the file, are listed as a person reads them, and restore.

#include "AddInSession.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

/// Makes `locale` the default for the scope, as the user's setting would.
class DefaultLocale
{
public:
    explicit DefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(m_before); }

private:
    QLocale m_before;
};

// Each name is saved with other layers hidden, in an order that is no
// order, and comes back listed alphabetically (accents ignored, scripts in
// the collation's order, symbols first) and restores its own layers.
TEST(EndToEnd, NamesInManyScriptsAreSavedListedAlphabeticallyAndRestore)
{
    const DefaultLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    const QStringList alphabetical = {QStringLiteral("🌍 Welt"), QStringLiteral("Apfel"), QStringLiteral("Ärger"),
                                      QStringLiteral("émigré"), QStringLiteral("Zebra"), QStringLiteral("Αλφα"),
                                      QStringLiteral("Ωμέγα"),  QStringLiteral("Арбуз"), QStringLiteral("Москва"),
                                      QStringLiteral("مرحبا"),  QStringLiteral("北京")};
    const QStringList saveOrder = {alphabetical[9], alphabetical[4],  alphabetical[0], alphabetical[7],
                                   alphabetical[3], alphabetical[10], alphabetical[1], alphabetical[6],
                                   alphabetical[2], alphabetical[8],  alphabetical[5]};

    AddInSession mapdesk(QStringLiteral("city.mapdesk.json"));
    ASSERT_NE(mapdesk.pressButton(), nullptr);
    const QStringList layers = mapdesk.visibility().keys();
    ASSERT_GE(layers.size(), 4);
    QMap<QString, QMap<QString, bool>> saved;
    for (int i = 0; i < saveOrder.size(); ++i) {
        // The bits of i + 1 say which layers go: no two names alike.
        for (int bit = 0; bit < layers.size(); ++bit)
            mapdesk.tick(layers[bit], ((i + 1) >> bit & 1) == 0);
        saved.insert(saveOrder[i], mapdesk.visibility());
        mapdesk.save(saveOrder[i]);
    }
    EXPECT_EQ(mapdesk.listed(), alphabetical);
    const QByteArray bytes = mapdesk.setFileBytes();
    for (const QString &name : saveOrder)
        EXPECT_TRUE(bytes.contains("\"" + name.toUtf8() + "\",\"Town\",")) << "written as UTF-8: " << qPrintable(name);

    for (const QString &name : alphabetical) {
        SCOPED_TRACE(name.toStdString());
        mapdesk.press(QStringLiteral("Off"));
        mapdesk.click(name);
        EXPECT_EQ(mapdesk.visibility(), saved.value(name));
    }
    EXPECT_EQ(mapdesk.boxTexts(), QStringList());
}

} // namespace
