#pragma once

#include "HostError.h"
#include "HostServices.h"
#include "IApplication.h"
#include "IDrives.h"
#include "IForm.h"
#include "IFramePosition.h"
#include "IMessageBox.h"
#include "IModelessFrame.h"
#include "IObjectFactory.h"
#include "IScreenMetrics.h"
#include "IShell.h"
#include "QuarnelGIS_Public.h"

#include <QDir>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

/// Test doubles for the host's desktop services and created objects. A
/// FakeHost bundles them as the site a host hands its commands, and keeps a
/// state record over them for code that works on one directly.
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace fake {

struct Box
{
    QString text;
    QString title;
};

/// Records every box instead of showing it.
class MessageBoxes : public IMessageBox
{
public:
    void show(const QString &text, const QString &title) override { boxes.push_back({text, title}); }
    std::vector<Box> boxes;
};

struct ShellCall
{
    QWidget *owner;
    QString operation, file, parameters, directory;
    int showCommand;
};

/// Records every shell call.
class Shell : public IShell
{
public:
    int execute(QWidget *owner, const QString &operation, const QString &file, const QString &parameters,
                const QString &directory, int showCommand) override
    {
        calls.push_back({owner, operation, file, parameters, directory, showCommand});
        return 42;
    }
    std::vector<ShellCall> calls;
};

/// A screen of fixed size: 1920 x 1080 pixels at 15 twips per pixel unless changed.
class Screen : public IScreenMetrics
{
public:
    double widthTwips() override { return width; }
    double heightTwips() override { return height; }
    double twipsPerPixelX() override { return twipsPerPixel; }
    double width = 1920 * 15.0;
    double height = 1080 * 15.0;
    double twipsPerPixel = 15.0;
};

/// Drives rooted in folders of a temporary directory.
class Drives : public IDrives
{
public:
    QString root(QChar letter) override { return roots.value(letter); }
    /// Adds drive `letter` rooted in a fresh sub-folder and returns that folder.
    QString add(QChar letter, bool withProgramFiles = true)
    {
        const QString folder = dir.path() + QStringLiteral("/drive_") + letter;
        QDir().mkpath(folder);
        if (withProgramFiles)
            QDir().mkpath(folder + QStringLiteral("/Program Files"));
        roots.insert(letter, folder);
        return folder;
    }
    QTemporaryDir dir;
    QMap<QChar, QString> roots;
};

/// A modeless frame that records what is done to it. It shows the attached
/// form's widget as a top-level window so that widget tests can click it.
class Frame : public IModelessFrame, public IFramePosition
{
public:
    void attach(IForm *form) override
    {
        ++attachCount;
        attached = form;
        form->formLoad();
    }
    void setVisible(bool visible) override
    {
        if (failToShow)
            throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The frame cannot be shown"));
        this->visible = visible;
        if (attached)
            attached->formWidget()->setVisible(visible);
    }
    void setCaption(const QString &text) override { caption = text; }
    void move(std::int32_t l, std::int32_t t, std::int32_t r1, std::int32_t r2) override
    {
        if (failToMove)
            throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("The frame cannot be moved"));
        left = l;
        top = t;
        reserved = {r1, r2};
        ++moveCount;
    }
    IForm *attached = nullptr;
    int attachCount = 0;
    int moveCount = 0;
    bool visible = false;
    QString caption;
    std::int32_t left = 0, top = 0;
    std::pair<std::int32_t, std::int32_t> reserved{-1, -1};
    /// A host fault: setVisible (show or hide) or move throws E_FAIL.
    bool failToShow = false;
    bool failToMove = false;
};

/// Creates application references (all seeing `application`) and frames,
/// and can be told to fail for a class.
class ObjectFactory : public IObjectFactory
{
public:
    HostObjectPtr create(const QUuid &classId) override;
    std::shared_ptr<IApplication> application;
    std::vector<std::shared_ptr<Frame>> frames;
    QList<QUuid> failFor;
    int appReferencesCreated = 0;
    /// Called with every new frame before it is handed out (to arm its faults).
    std::function<void(Frame &)> prepareFrame;
};

/// The whole set of fake services, the site that bundles them, and a state
/// record (empty product name, no settings yet) sharing that site.
class FakeHost
{
public:
    FakeHost();
    ~FakeHost();
    /// A new bundle of these services, as a host's site.
    std::shared_ptr<HostServices> makeServices() const;

    std::shared_ptr<MessageBoxes> boxes = std::make_shared<MessageBoxes>();
    std::shared_ptr<Shell> shell = std::make_shared<Shell>();
    std::shared_ptr<Screen> screen = std::make_shared<Screen>();
    std::shared_ptr<Drives> drives = std::make_shared<Drives>();
    std::shared_ptr<ObjectFactory> objects = std::make_shared<ObjectFactory>();
    std::shared_ptr<HostServices> services;
    std::unique_ptr<QuarnelGIS_Public> state;
};

} // namespace fake
