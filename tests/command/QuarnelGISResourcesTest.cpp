#include "QuarnelGISResources.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

namespace {

QImage picture(const char *name)
{
    initQuarnelResources();
    return QImage(QStringLiteral(":/quarnel/") + QLatin1String(name));
}

TEST(ResourcesTest, TheButtonBitmapIsAnOpaquePictureOnWhite)
{
    const QImage image = picture("command16.png");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(16, 16));
    EXPECT_FALSE(image.hasAlphaChannel());
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
}

TEST(ResourcesTest, TheLogoAndTheButtonFaceHaveTheirSizes)
{
    const QImage logo = picture("logo.png");
    EXPECT_EQ(logo.size(), QSize(120, 50));

    const QImage face = picture("button_face.png");
    ASSERT_EQ(face.size(), QSize(64, 22));
    // Light everywhere, so captions stay readable, and shading from left to right.
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < face.width(); ++x)
            ASSERT_GT(face.pixelColor(x, y).lightness(), 190) << x << "," << y;
    EXPECT_GT(face.pixelColor(0, 10).lightness(), face.pixelColor(63, 10).lightness());
    EXPECT_EQ(face.pixelColor(20, 0), face.pixelColor(20, 21));
}

TEST(ResourcesTest, TheCursorPointsWithItsFingertipAt10And10)
{
    const QImage cursor = picture("hand_cursor.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(cursor.size(), QSize(32, 32));
    ASSERT_TRUE(cursor.hasAlphaChannel());
    EXPECT_EQ(qAlpha(cursor.pixel(10, 10)), 255);
    // The fingertip is the hand's highest point and the middle of its top edge.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(qAlpha(cursor.pixel(x, y)), 0) << x << "," << y;
    EXPECT_EQ(qAlpha(cursor.pixel(9, 10)), 255);
    EXPECT_EQ(qAlpha(cursor.pixel(11, 10)), 255);
    EXPECT_EQ(qAlpha(cursor.pixel(7, 10)), 0);
    EXPECT_EQ(qAlpha(cursor.pixel(13, 10)), 0);
    EXPECT_EQ(qAlpha(cursor.pixel(0, 0)), 0);
}

} // namespace
