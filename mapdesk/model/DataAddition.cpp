#include "DataAddition.h"

#include "Document.h"
#include "DocumentError.h"
#include "HostError.h"
#include "Layer.h"
#include "Map.h"
#include "PageLayout.h"
#include "Symbol.h"

#include <QDir>

namespace mapdesk {

DataAddition::DataAddition(std::shared_ptr<Document> document, QStringList paths, std::vector<Table> tables,
                           QStringList refused)
    : m_document(std::move(document)), m_paths(std::move(paths)), m_tables(std::move(tables)), m_read(m_tables.size()),
      m_problems(std::move(refused))
{
}

QString DataAddition::faultOf(const QString &path, const std::exception &error)
{
    if (const auto *document = dynamic_cast<const DocumentError *>(&error))
        return document->message();
    if (const auto *host = dynamic_cast<const HostError *>(&error))
        return QStringLiteral("%1: %2").arg(path, host->description());
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(error.what()));
}

std::vector<BackgroundReads::Job> DataAddition::jobs(const std::shared_ptr<DataAddition> &addition, Reader reader)
{
    std::vector<BackgroundReads::Job> jobs;
    const std::weak_ptr<DataAddition> into = addition;
    for (std::size_t job = 0; job < addition->m_tables.size(); ++job) {
        const QString path = addition->m_paths[addition->m_tables[job].file];
        const QString table = addition->m_tables[job].name;
        jobs.push_back([reader, path, table, into, job]() -> BackgroundReads::Install {
            // A failure while reading refuses this file; the others are read on.
            Read read;
            try {
                read.layer = reader(path, table, &read.error);
            } catch (const std::exception &failure) {
                read.failure = faultOf(QDir::toNativeSeparators(path), failure);
            }
            return [into, job, read] {
                if (const auto addition = into.lock())
                    addition->m_read[job] = read;
            };
        });
    }
    return jobs;
}

int DataAddition::install(int read, bool cancelled)
{
    std::shared_ptr<Map> map = m_document->focusMapModel();
    const bool newMap = !map;
    if (newMap)
        map = std::make_shared<Map>(QStringLiteral("Layers"));
    std::vector<std::shared_ptr<Layer>> layers;
    for (int job = 0; job < read; ++job) {
        Read &table = m_read[static_cast<std::size_t>(job)];
        if (!table.failure.isEmpty()) {
            m_problems << QStringLiteral("Cannot add %1").arg(table.failure);
        } else if (!table.layer) {
            m_problems << QStringLiteral("Cannot add %1").arg(table.error);
        } else if (const QString fault = map->adopt(*table.layer); !fault.isEmpty()) {
            // Drawn in the map's coordinate system, which a map without one takes from it.
            m_problems << QStringLiteral("Cannot add %1").arg(fault);
        } else {
            if (const QString warning = table.layer->warningText(); !warning.isEmpty())
                m_problems << warning;
            layers.push_back(std::move(table.layer));
        }
    }
    if (cancelled) {
        // Every file not read to its end, once.
        QStringList rest;
        int last = -1;
        for (std::size_t job = static_cast<std::size_t>(read); job < m_tables.size(); ++job) {
            if (m_tables[job].file != last)
                rest << QDir::toNativeSeparators(m_paths[m_tables[job].file]);
            last = m_tables[job].file;
        }
        m_problems << QStringLiteral("Adding data was cancelled; not loaded: %1").arg(rest.join(QStringLiteral(", ")));
    }
    if (layers.empty())
        return 0;
    if (newMap)
        m_document->addMap(map);
    for (std::size_t i = 0; i < layers.size(); ++i)
        map->insertLayer(static_cast<std::int32_t>(i), layers[i]);
    Symbol::giveDefaults(m_document->mapModels());
    m_document->setModified(true);
    m_document->updateLegendsOf(map.get());
    map->refresh();
    m_document->pageLayoutModel()->refresh();
    m_document->updateContents();
    return static_cast<int>(layers.size());
}

} // namespace mapdesk
