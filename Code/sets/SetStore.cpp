#include "SetStore.h"

#include "QuarnelGIS_IO.h"
#include "QuarnelGIS_Public.h"
#include "VisibilityApply.h"
#include "VisibilityCapture.h"
#include "VisibilitySetFile.h"

void SetStore::close() { m_state.channel1.close(); }

void SetStore::openForInput() { m_state.channel1.openForInput(m_state.setFilePath); }

void SetStore::openForAppend() { m_state.channel1.openForAppend(m_state.setFilePath); }

void SetStore::deleteFile() { QuarnelGIS_IO::fDeleteFile(m_state, m_state.setFilePath); }

void SetStore::listNames(const std::function<void(const QString &)> &onName)
{
    VisibilitySetFile::listSetNames(m_state.channel1, onName);
}

void SetStore::readSet(const QString &setName, const std::function<void(const VisibilityRecord &)> &onRecord)
{
    VisibilitySetFile::selectSet(m_state.channel1, setName, onRecord);
}

void SetStore::appendSet(const QString &setName, IDocument &document)
{
    FileChannel &channel = m_state.channel1;
    captureVisibility(document, [&](const QString &mapName, const QString &layerName, bool visible) {
        VisibilitySetFile::writeRecord(channel, setName, mapName, layerName, visible);
    });
}

void SetStore::restoreSet(const QString &setName, IDocument &document, Restore how)
{
    VisibilityApply restore(document);
    readSet(setName, [&restore](const VisibilityRecord &record) { restore.apply(record); });
    if (how == Restore::Exactly)
        restore.hideUnmentioned();
}
