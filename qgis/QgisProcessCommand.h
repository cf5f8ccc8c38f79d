#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace quarnelqgis {

/// The command quarnel-qgis-process: loads a QGIS project in a headless QGIS
/// and runs one of the QuarnelVisibility Processing algorithms on it, for
/// scripts and servers (QGIS's own qgis_process loads no C++ plugin). Needs a
/// QgsApplication with QGIS initialised; registers the provider for the run
/// and removes it again.
class QgisProcessCommand
{
public:
    /// What the command line asks for.
    struct Arguments
    {
        QStringList drives;     ///< "X=DIR" entries
        bool list = false;      ///< --list: the algorithms and their parameters
        bool write = false;     ///< --write-project: save the project after the run
        QString project;        ///< the project file
        QString algorithm;      ///< "restoreset", or with the provider "quarnelvisibility:restoreset"
        QVariantMap parameters; ///< --NAME=VALUE
        QString error;          ///< what is wrong with the command line; empty when nothing
    };
    static Arguments parse(const QStringList &arguments);
    static QString usage();

    /// Runs the command; what it prints goes to `out` and `err`. Returns the
    /// exit status: 0 done, 1 the algorithm failed, 2 a wrong command line or
    /// a project that does not load.
    static int run(const Arguments &arguments, const std::function<void(const QString &)> &out,
                   const std::function<void(const QString &)> &err);
};

} // namespace quarnelqgis
