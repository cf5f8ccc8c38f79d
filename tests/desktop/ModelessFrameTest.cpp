#include "ModelessFrame.h"
#include "FrameWindow.h"
#include "HostClassIds.h"
#include "HostError.h"
#include "IApplication.h"
#include "IForm.h"
#include "ObjectFactory.h"

#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using mapdesk::ModelessFrame;
using mapdesk::ObjectFactory;

/// A form as the add-in makes them: a widget of its own size with a load step.
class TestForm : public QWidget, public IForm
{
public:
    TestForm() { resize(306, 173); }
    QWidget *formWidget() override { return this; }
    void formLoad() override
    {
        ++loads;
        if (onLoad)
            onLoad();
    }
    int loads = 0;
    std::function<void()> onLoad;
};

class NoDocumentApplication : public IApplication
{
public:
    std::shared_ptr<IDocument> document() override { return nullptr; }
};

TEST(ModelessFrame, AttachCarriesTheFormAtItsSizeAndLoadsItOnce)
{
    QMainWindow owner;
    owner.show();
    TestForm form;
    ModelessFrame frame(&owner);
    mapdesk::FrameWindow *window = frame.window();
    ASSERT_NE(window, nullptr);

    frame.attach(&form);
    EXPECT_EQ(form.loads, 1);
    EXPECT_EQ(form.parentWidget(), window);
    EXPECT_EQ(window->size(), QSize(306, 173));
    EXPECT_FALSE(window->isVisible()) << "attaching loads the form but does not show it";

    frame.setCaption(QStringLiteral("QuarnelVisibility"));
    frame.setVisible(true);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("QuarnelVisibility"));
    // No margins: the form fills the frame exactly.
    EXPECT_EQ(form.geometry(), window->rect());

    frame.setVisible(true);
    frame.setVisible(false);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(form.loads, 1) << "showing again never reloads the form";
}

TEST(ModelessFrame, FloatsOverTheOwnerWithoutBlockingIt)
{
    QMainWindow owner;
    owner.show();
    TestForm form;
    ModelessFrame frame(&owner);
    frame.attach(&form);
    frame.setVisible(true);

    mapdesk::FrameWindow *window = frame.window();
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowType(), Qt::Tool);
    EXPECT_EQ(window->parentWidget(), &owner);
    EXPECT_EQ(window->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(owner.isEnabled());
}

TEST(ModelessFrame, MovePlacesTheFrameInScreenPixelsAlsoDuringTheLoadStep)
{
    TestForm form;
    ModelessFrame frame;
    // The add-in centres its window from inside the load step.
    form.onLoad = [&frame] { frame.move(123, 45, 0, 0); };
    frame.attach(&form);
    frame.setVisible(true);
    EXPECT_EQ(frame.window()->pos(), QPoint(123, 45));

    frame.move(-20, 310, 0, 0);
    EXPECT_EQ(frame.window()->pos(), QPoint(-20, 310)) << "negative positions pass unchanged";
}

TEST(ModelessFrame, ClosingThroughTheTitleBarHidesTheFrameAndTheFormLivesOn)
{
    QMainWindow owner;
    owner.show();
    auto *form = new TestForm;
    QPointer<TestForm> watch(form);
    ModelessFrame frame(&owner);
    frame.attach(form);
    frame.setVisible(true);

    EXPECT_FALSE(frame.window()->close()) << "the close is refused, the frame only hides";
    EXPECT_FALSE(frame.window()->isVisible());
    ASSERT_FALSE(watch.isNull());
    EXPECT_EQ(form->parentWidget(), frame.window());

    frame.setVisible(true);
    EXPECT_TRUE(frame.window()->isVisible());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->loads, 1);
    delete form;
}

TEST(ModelessFrame, FrameAndFormNeverDeleteEachOther)
{
    // The frame goes first: the form is handed back whole.
    {
        TestForm form;
        {
            ModelessFrame frame;
            frame.attach(&form);
            frame.setVisible(true);
        }
        EXPECT_EQ(form.parentWidget(), nullptr);
        EXPECT_FALSE(form.isVisible());
    }
    // The owner window goes first and takes the frame's window with it; the
    // form survives, and the frame reports that its window is gone.
    {
        TestForm form;
        auto *owner = new QMainWindow;
        ModelessFrame frame(owner);
        frame.attach(&form);
        delete owner;
        EXPECT_EQ(frame.window(), nullptr);
        EXPECT_EQ(form.parentWidget(), nullptr);
        EXPECT_THROW(frame.setVisible(true), HostError);
    }
    // The form goes first: the frame stays usable and empty.
    {
        ModelessFrame frame;
        {
            TestForm form;
            frame.attach(&form);
        }
        EXPECT_EQ(frame.window()->form(), nullptr);
        frame.setVisible(true);
        EXPECT_TRUE(frame.window()->isVisible());
    }
}

TEST(ModelessFrame, AttachingAnotherFormHandsTheFirstOneBack)
{
    TestForm first;
    TestForm second;
    second.resize(200, 100);
    ModelessFrame frame;
    frame.attach(&first);
    frame.attach(&second);
    EXPECT_EQ(first.parentWidget(), nullptr);
    EXPECT_EQ(second.parentWidget(), frame.window());
    EXPECT_EQ(frame.window()->size(), QSize(200, 100));
    EXPECT_EQ(first.loads, 1);
    EXPECT_EQ(second.loads, 1);
    EXPECT_THROW(frame.attach(nullptr), HostError);
}

TEST(ObjectFactory, CreatesFramesOverTheOwnerAndTheApplicationReference)
{
    QMainWindow owner;
    auto application = std::make_shared<NoDocumentApplication>();
    ObjectFactory factory;
    factory.setFrameOwner(&owner);
    factory.setApplication(application);

    HostObjectPtr first = factory.create(HostClassIds::ModelessFrame);
    HostObjectPtr second = factory.create(HostClassIds::ModelessFrame);
    auto frame = std::dynamic_pointer_cast<IModelessFrame>(first);
    ASSERT_NE(frame, nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<IFramePosition>(first), nullptr) << "the frame's second face";
    EXPECT_NE(first, second) << "every request makes a new frame";
    auto *window = std::dynamic_pointer_cast<ModelessFrame>(first)->window();
    EXPECT_EQ(window->parentWidget(), &owner);

    HostObjectPtr reference = factory.create(HostClassIds::ApplicationReference);
    EXPECT_EQ(std::dynamic_pointer_cast<IApplication>(reference), application) << "the running application itself";
}

TEST(ObjectFactory, RefusesUnknownClassesAndAStoppedApplication)
{
    ObjectFactory factory;
    try {
        factory.create(QUuid::createUuid());
        FAIL() << "an unknown class was created";
    } catch (const HostError &error) {
        EXPECT_EQ(static_cast<std::uint32_t>(error.number()), 0x80040154u);
        EXPECT_EQ(error.description(), QStringLiteral("Class not registered"));
    }

    auto application = std::make_shared<NoDocumentApplication>();
    factory.setApplication(application);
    application.reset();
    EXPECT_THROW(factory.create(HostClassIds::ApplicationReference), HostError);
}

} // namespace
