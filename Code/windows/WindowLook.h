#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QPixmap>

#include <memory>

class HostServices;
class IModelessFrame;
class QPushButton;
class QWidget;

/// The shared look of the add-in's windows (background, fonts, picture
/// buttons, the hand cursor, the logo, the set list's mark) and the centring of a window's frame
/// on the screen.
namespace WindowLook {
/// The windows' background colour.
QColor background();
/// "MS Sans Serif" at the given size, falling back to the desktop's sans serif.
QFont font(double pointSize, bool bold = false, bool underline = false);
void paintBackground(QWidget *widget);
void setTextColour(QWidget *widget, const QColor &colour);
/// A button drawn over the light gradient face, with its caption on top.
void makePictureButton(QPushButton *button, const QFont &font);
/// The pointing hand shown over buttons, the list and links (hot spot 10, 10).
QCursor handCursor();
/// The maker's logo.
QPixmap logo();
/// The mark beside a set that the layers shown now match: a white tick on a
/// green disc, 12 pixels square (24 on screens of twice the density).
QIcon matchMark();
/// The help page, as one picture.
QPixmap helpPicture();

/// Where a window of the given size in twips is centred on the host's
/// screen: left and top in screen pixels, halves rounded to even.
struct Position
{
    std::int32_t left;
    std::int32_t top;
};
Position centredPosition(const HostServices &services, double widthTwips, double heightTwips);
/// Moves the frame to centredPosition(); throws when the frame cannot be positioned.
void centreFrame(const HostServices &services, const std::shared_ptr<IModelessFrame> &frame, double widthTwips,
                 double heightTwips);
} // namespace WindowLook
