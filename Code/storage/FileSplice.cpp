#include "FileSplice.h"

FileSplice::FileSplice(const QByteArray &bytes) : m_own(bytes)
{
    add(0, bytes.size(), false);
}

void FileSplice::keep(qsizetype from, qsizetype size)
{
    add(from, size, true);
}

void FileSplice::append(QByteArrayView bytes)
{
    const qsizetype from = m_own.size();
    m_own.append(bytes.data(), bytes.size());
    add(from, bytes.size(), false);
}

void FileSplice::add(qsizetype from, qsizetype size, bool kept)
{
    if (size <= 0)
        return;
    m_size += size;
    // Stretches that follow on from each other are written as one.
    if (!m_pieces.empty() && m_pieces.back().kept == kept && m_pieces.back().from + m_pieces.back().size == from) {
        m_pieces.back().size += size;
        return;
    }
    m_pieces.push_back({from, size, kept});
}

QByteArray FileSplice::bytes(const QByteArray &old) const
{
    QByteArray whole;
    whole.reserve(m_size);
    for (const Piece &piece : m_pieces)
        whole.append(data(piece, old), piece.size);
    return whole;
}
