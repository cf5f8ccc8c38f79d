#pragma once

#include "ErrorReporter.h"
#include "FileChannel.h"
#include "HostServices.h"

#include <QString>

#include <memory>

class IApplication;
class IDocument;
class SetDatabase;

/// The shared state record of one command object: the command creates it in
/// OnCreate, owns it, and hands it by reference to its windows and to the
/// storage and set code they call. It owns channel 1 and shares the host's
/// desktop services with the host. Object fields share ownership of what
/// they refer to.
struct QuarnelGIS_Public
{
private:
    std::shared_ptr<HostServices> m_site;

public:
    /// A record over the host's site; without one, every service is missing.
    explicit QuarnelGIS_Public(std::shared_ptr<HostServices> site)
        : m_site(site ? std::move(site) : std::make_shared<HostServices>())
    {
    }
    QuarnelGIS_Public(const QuarnelGIS_Public &) = delete;
    QuarnelGIS_Public &operator=(const QuarnelGIS_Public &) = delete;

    QString productName;             ///< "QuarnelVisibility"
    QString productVersion;          ///< "v2.12"
    HostServices &services{*m_site}; ///< the host's desktop services
    FileChannel channel1{services};
    std::shared_ptr<IApplication> appReference; ///< created on the first click
    std::shared_ptr<IApplication> application;  ///< the running application
    std::shared_ptr<IDocument> document;        ///< current document, renewed at every click
    QString settingsDrive;                      ///< one upper-case letter
    QString settingsFolder;                     ///< ends with "\"
    QString setFilePath;                        ///< settingsFolder + "config"
    /// The team's database when the person keeps the sets there; else the
    /// sets are in the set file.
    std::shared_ptr<SetDatabase> setDatabase;

    /// The report box, naming this product and version.
    ErrorReporter reporter() const { return ErrorReporter(services, productName, productVersion); }
};
