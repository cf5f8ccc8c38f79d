#pragma once

#include "FakeHost.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

namespace storagetest {

/// Runs the enclosed code without root's rights, so that folder permissions
/// apply when the tests run as root; for other users they apply anyway. The
/// temporary drive folders are opened for the unprivileged user to reach.
class Unprivileged
{
public:
    explicit Unprivileged(const fake::FakeHost &host)
    {
        QFile::setPermissions(host.drives->dir.path(), QFileDevice::Permissions(0x7755));
        if (::geteuid() == 0)
            m_dropped = ::setresuid(65534, 65534, 0) == 0;
    }
    ~Unprivileged()
    {
        if (m_dropped && ::setresuid(0, 0, 0) != 0)
            ADD_FAILURE() << "could not regain root";
    }

private:
    bool m_dropped = false;
};

inline void writeBytes(const QString &nativePath, const QByteArray &bytes)
{
    QFile file(nativePath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray readBytes(const QString &nativePath)
{
    QFile file(nativePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/// The runtime number of the failure that `step` throws (0 for none).
inline int failureOf(const std::function<void()> &step, QString *description = nullptr)
{
    try {
        step();
    } catch (const HostError &error) {
        if (description)
            *description = error.description();
        return error.number();
    }
    return 0;
}

/// Checks one recorded error report of module "QuarnelGIS_IO": title,
/// number, description, and a location with a line tag.
inline void expectReport(const fake::Box &box, const QString &procedure, int number, const QString &description)
{
    EXPECT_EQ(box.title, QStringLiteral("QuarnelVisibility"));
    EXPECT_TRUE(box.text.contains(QStringLiteral("\r\nERROR NUMBER: %1\r\nMODULE: ").arg(number)))
        << qPrintable(box.text);
    EXPECT_TRUE(box.text.contains(QStringLiteral("\r\nERROR DESCRIPTION: ") + description + QStringLiteral("\r\n")))
        << qPrintable(box.text);
    const QRegularExpression location(QStringLiteral("\r\nMODULE: ") + QRegularExpression::escape(procedure)
                                      + QStringLiteral("QuarnelGIS_IO Line : [1-9][0-9]*\r\n"));
    EXPECT_TRUE(location.match(box.text).hasMatch()) << qPrintable(box.text);
}

} // namespace storagetest
