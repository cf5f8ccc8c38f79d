#pragma once

#include "QtCompat.h"
#include <QByteArray>

#include <vector>

/// A new version of a file told as the stretches of the file it replaces that
/// it keeps, in order, with bytes of its own between them: a change of a few
/// records of a large file is written straight from the bytes read, without a
/// copy of the whole new file in memory. A plain QByteArray converts to a
/// version that keeps nothing of the old file. It owns its own bytes; the old
/// file's bytes stay with whoever read them.
class FileSplice
{
public:
    /// One stretch of the new file: `size` bytes from `from` on, in the old
    /// file's bytes when `kept`, else in the splice's own bytes.
    struct Piece
    {
        qsizetype from = 0;
        qsizetype size = 0;
        bool kept = false;
    };

    FileSplice() = default;
    FileSplice(const QByteArray &bytes);

    /// The old file's bytes [from, from + size) come next.
    void keep(qsizetype from, qsizetype size);
    /// `bytes` of its own come next.
    void append(QByteArrayView bytes);

    const std::vector<Piece> &pieces() const { return m_pieces; }
    /// Where a piece's bytes start, the old file's bytes being `old`.
    const char *data(const Piece &piece, const QByteArray &old) const
    {
        return (piece.kept ? old.constData() : m_own.constData()) + piece.from;
    }
    /// The length of the new file.
    qsizetype size() const { return m_size; }
    /// The new file's bytes whole, the old file's bytes being `old`.
    QByteArray bytes(const QByteArray &old) const;

private:
    void add(qsizetype from, qsizetype size, bool kept);

    std::vector<Piece> m_pieces;
    QByteArray m_own;
    qsizetype m_size = 0;
};
