#pragma once

#include "SetPrompts.h"

/// The set list's questions, asked with Qt's standard dialogs.
class DialogSetPrompts : public SetPrompts
{
public:
    std::optional<QString> newName(QWidget *parent, const QString &current) override;
    bool confirmMerge(QWidget *parent, const QString &from, const QString &into) override;
    QString exportFile(QWidget *parent, const QStringList &setNames) override;
    QString importFile(QWidget *parent) override;
    SetStore::Clash onClash(QWidget *parent, const QString &setName) override;
    std::optional<std::vector<SetLayers::Layer>> editLayers(QWidget *parent, const QString &setName,
                                                            const SetLayers &layers) override;
    bool overwriteChangedSet(QWidget *parent, const QString &setName, const QStringList &changes) override;
};
