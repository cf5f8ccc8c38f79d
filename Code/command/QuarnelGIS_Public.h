#pragma once

#include <QString>

#include <memory>

class IApplication;
class IDocument;
class frmMain;

/// The process-wide state record that the command fills and every window
/// reads. There is exactly one; it lives until the module is unloaded and
/// releasing a command object does not clear it. Object fields share
/// ownership of what they refer to and are replaced, never cleared.
struct QuarnelGIS_Public
{
    QString productName;    ///< "QuarnelVisibility", set by OnCreate
    QString productVersion; ///< "v2.12", set by OnCreate
    std::shared_ptr<frmMain> mainWindow;         ///< a new one at every OnCreate
    std::shared_ptr<IApplication> appReference;  ///< created on the first click
    std::shared_ptr<IApplication> application;   ///< the running application
    std::shared_ptr<IDocument> document;         ///< current document, renewed at every click
    QString settingsDrive;  ///< one upper-case letter
    QString settingsFolder; ///< ends with "\"
    QString setFilePath;    ///< settingsFolder + "config"

    static QuarnelGIS_Public &instance();
    /// Empties the record, as when the module is loaded (tests, unloading).
    static void reset();
};
