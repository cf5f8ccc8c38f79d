#include "ErrorHandling.h"
#include "ErrorReporter.h"

#include "FakeHost.h"
#include "HostError.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

class ErrorReport : public ::testing::Test
{
protected:
    void SetUp() override {}
    fake::FakeHost host;
    ErrorReporter reporter{*host.services, QStringLiteral("QuarnelVisibility"), QStringLiteral("v2.12")};
};

const char *const kExpectedBox = "We're sorry, an unexpected error has occurred.\r\n"
                                 "\r\n"
                                 "Please email support@quarnelgis.com and we'll\r\n"
                                 "be happy to help out.\r\n"
                                 "\r\n"
                                 "Please let us know the following:\r\n"
                                 "\r\n"
                                 "APPLICATION: QuarnelVisibility v2.12\r\n"
                                 "ERROR NUMBER: -2147467259\r\n"
                                 "MODULE: ICommand_OnClick QuarnelVisibility Line : 215\r\n"
                                 "ERROR DESCRIPTION: Unspecified error\r\n"
                                 "\r\n"
                                 "If possible, please attach a screenshot of this\r\n"
                                 "message with your ArcMap project in the background.\r\n"
                                 "You can do this by pressing <CTRL> and <Prnt Screen>\r\n"
                                 "and then pasting the image into a graphics application\r\n"
                                 "such as Paint. Saving the image as a JPG is preferrable.\r\n"
                                 "\r\n"
                                 "Thank you!";

TEST_F(ErrorReport, ShowsTheNineteenLineBoxByteForByte)
{
    reporter.reportUnexpectedError(QStringLiteral("ICommand_OnClick QuarnelVisibility ") + ErrorHandling::lineTag(215),
                                   static_cast<std::int32_t>(0x80004005u), QStringLiteral("Unspecified error"));
    ASSERT_EQ(host.boxes->boxes.size(), 1u);
    EXPECT_EQ(host.boxes->boxes[0].text.toUtf8().toStdString(), kExpectedBox);
    EXPECT_EQ(host.boxes->boxes[0].title, QStringLiteral("QuarnelVisibility"));
    EXPECT_EQ(host.boxes->boxes[0].text.split(QStringLiteral("\r\n")).size(), 19);
    EXPECT_FALSE(host.boxes->boxes[0].text.endsWith(QLatin1Char('\n')));
}

TEST_F(ErrorReport, LineTagIsEmptyForStatementZero)
{
    EXPECT_EQ(ErrorHandling::lineTag(0), QString());
    EXPECT_EQ(ErrorHandling::lineTag(30), QStringLiteral("Line : 30"));
    EXPECT_EQ(ErrorHandling::lineTag(-5), QStringLiteral("Line : -5"));
}

TEST_F(ErrorReport, CurrentFailureReportsModuleLineWithTrailingBlankForZero)
{
    try {
        throw HostError(53, QStringLiteral("File not found"));
    } catch (...) {
        reporter.reportCurrentFailure(QStringLiteral("Form_Load "), QStringLiteral("frmMain"), 0);
    }
    ASSERT_EQ(host.boxes->boxes.size(), 1u);
    const QStringList lines = host.boxes->boxes[0].text.split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines[8], QStringLiteral("ERROR NUMBER: 53"));
    EXPECT_EQ(lines[9], QStringLiteral("MODULE: Form_Load frmMain "));
    EXPECT_EQ(lines[10], QStringLiteral("ERROR DESCRIPTION: File not found"));
}

TEST_F(ErrorReport, EmptyDescriptionKeepsTheTrailingBlankAndBreaksAddLines)
{
    reporter.reportUnexpectedError(QStringLiteral("x "), 5, QString());
    reporter.reportUnexpectedError(QStringLiteral("x "), 5, QStringLiteral("first\r\nsecond"));
    ASSERT_EQ(host.boxes->boxes.size(), 2u);
    EXPECT_EQ(host.boxes->boxes[0].text.split(QStringLiteral("\r\n"))[10], QStringLiteral("ERROR DESCRIPTION: "));
    EXPECT_EQ(host.boxes->boxes[1].text.split(QStringLiteral("\r\n")).size(), 20);
}

TEST_F(ErrorReport, ApplicationLineBeforeStartUpReadsOneBlank)
{
    const ErrorReporter unnamed(*host.services, QString(), QString());
    unnamed.reportUnexpectedError(QStringLiteral("x "), 1, QStringLiteral("d"));
    EXPECT_EQ(host.boxes->boxes.at(0).text.split(QStringLiteral("\r\n"))[7], QStringLiteral("APPLICATION:  "));
}

TEST_F(ErrorReport, MemoryExhaustionAndForeignExceptionsHaveNumbers)
{
    try {
        throw std::bad_alloc();
    } catch (...) {
        EXPECT_EQ(ErrorHandling::currentFailure().number, 7);
    }
    try {
        throw std::runtime_error("boom");
    } catch (...) {
        const ErrorHandling::Failure failure = ErrorHandling::currentFailure();
        EXPECT_EQ(failure.number, static_cast<std::int32_t>(0x80004005u));
        EXPECT_EQ(failure.description, QStringLiteral("boom"));
    }
}

TEST_F(ErrorReport, ReportingWithoutAMessageBoxServiceDoesNotThrow)
{
    const HostServices none;
    const ErrorReporter reporter(none, QStringLiteral("QuarnelVisibility"), QStringLiteral("v2.12"));
    try {
        throw HostError(5, QStringLiteral("x"));
    } catch (...) {
        EXPECT_NO_THROW(reporter.reportCurrentFailure(QStringLiteral("p "), QStringLiteral("m"), 10));
    }
}

} // namespace
