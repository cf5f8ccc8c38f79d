#pragma once

#include <QString>

#include <cstdint>

struct QuarnelGIS_Public;

/// The drive the add-in keeps its settings on: the letter of the first drive,
/// A to Z, with a Program Files folder; later drives are not probed. Empty
/// when no drive has one.
QString findSettingsDrive(const QuarnelGIS_Public &state);
/// The settings folder on `drive`: X:\Program Files\<maker>\<product>\.
QString settingsFolderOn(const QString &drive, const QString &makerFolder, const QString &productFolder);

/// Finds the first drive with a Program Files folder, prepares the maker and
/// product folders and the empty visibility-set file there (through the
/// state's channel 1), and records settingsDrive, settingsFolder and
/// setFilePath in the state record.
/// Returns 1 when all is in place, -1 when no folder was found or a step failed.
std::int16_t locateSettingsFolder(QuarnelGIS_Public &state, const QString &makerFolder, const QString &productFolder,
                                  const QString &fileName);
