#pragma once

#include "CoordinateSystem.h"

#include <QDialog>

#include <memory>

namespace Ui {
class MapPropertiesDialog;
}

namespace mapdesk {

/// A map's Properties: its coordinate system, typed as "EPSG:4326", WKT or
/// a PROJ string. Below the field it names the system typed, or says what is
/// wrong with it; OK waits for a system mapdesk knows. The caller applies
/// coordinateSystem() when accepted.
class MapPropertiesDialog : public QDialog
{
    Q_OBJECT

public:
    MapPropertiesDialog(const QString &mapName, const CoordinateSystem &system, QWidget *parent = nullptr);
    ~MapPropertiesDialog() override;

    /// The system typed, or none when the text names none.
    CoordinateSystem coordinateSystem() const { return m_system; }
    /// Types `definition` into the field.
    void setDefinition(const QString &definition);

private:
    void definitionEdited(const QString &text);

    std::unique_ptr<Ui::MapPropertiesDialog> ui;
    CoordinateSystem m_system;
};

} // namespace mapdesk
