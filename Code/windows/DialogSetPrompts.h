#pragma once

#include "SetPrompts.h"

struct QuarnelGIS_Public;

/// The set list's questions, asked with Qt's standard dialogs.
class DialogSetPrompts : public SetPrompts
{
public:
    /// `state`, when given, outlives the prompts: Edit Layers shows the
    /// focus map as the edited set would show it when the host draws it.
    explicit DialogSetPrompts(QuarnelGIS_Public *state = nullptr) : m_state(state) {}
    std::optional<QString> storeConnection(QWidget *parent, const QString &current) override;
    std::optional<QString> newName(QWidget *parent, const QString &current) override;
    bool confirmMerge(QWidget *parent, const QString &from, const QString &into) override;
    QString exportFile(QWidget *parent, const QStringList &setNames) override;
    QString importFile(QWidget *parent) override;
    SetStore::Clash onClash(QWidget *parent, const QString &setName) override;
    std::optional<std::vector<SetLayers::Layer>> editLayers(QWidget *parent, const QString &setName,
                                                            const SetLayers &layers) override;
    bool overwriteChangedSet(QWidget *parent, const QString &setName, const QStringList &changes) override;

private:
    QuarnelGIS_Public *m_state;
};
