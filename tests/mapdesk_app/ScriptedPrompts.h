#pragma once

#include "SetPrompts.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

/// Answers the set list's questions from a script the test keeps changing,
/// and logs each question. The main window owns the prompts; the test and
/// the prompts share the script.
class ScriptedPrompts : public SetPrompts
{
public:
    struct Script
    {
        std::optional<QString> newName;
        bool merge = false;
        QString exportFile;
        QString importFile;
        SetStore::Clash clash = SetStore::Clash::Skip;
        std::optional<std::vector<SetLayers::Layer>> editedLayers;
        QStringList asked; ///< "question: subject", in order
    };

    explicit ScriptedPrompts(std::shared_ptr<Script> script) : m_script(std::move(script)) {}

    std::optional<QString> newName(QWidget *, const QString &current) override
    {
        m_script->asked << QStringLiteral("new name: ") + current;
        return m_script->newName;
    }
    bool confirmMerge(QWidget *, const QString &from, const QString &into) override
    {
        m_script->asked << QStringLiteral("merge: ") + from + QStringLiteral(" into ") + into;
        return m_script->merge;
    }
    QString exportFile(QWidget *, const QStringList &setNames) override
    {
        m_script->asked << QStringLiteral("export: ") + setNames.join(QLatin1Char('|'));
        return m_script->exportFile;
    }
    QString importFile(QWidget *) override
    {
        m_script->asked << QStringLiteral("import");
        return m_script->importFile;
    }
    SetStore::Clash onClash(QWidget *, const QString &setName) override
    {
        m_script->asked << QStringLiteral("clash: ") + setName;
        return m_script->clash;
    }
    std::optional<std::vector<SetLayers::Layer>> editLayers(QWidget *, const QString &setName,
                                                            const SetLayers &) override
    {
        m_script->asked << QStringLiteral("edit layers: ") + setName;
        return m_script->editedLayers;
    }

private:
    std::shared_ptr<Script> m_script;
};
