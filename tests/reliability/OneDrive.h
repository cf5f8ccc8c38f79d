#pragma once

#include "IDrives.h"

#include <QString>

/// A drive table of one drive, C, rooted in a folder: what a second add-in
/// process saving into the same set file needs.
class OneDrive : public IDrives
{
public:
    explicit OneDrive(QString folder) : m_folder(std::move(folder)) {}
    QString root(QChar letter) override { return letter == QLatin1Char('C') ? m_folder : QString(); }

private:
    QString m_folder;
};
