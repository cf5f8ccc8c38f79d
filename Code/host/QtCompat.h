#pragma once

// The one place where the add-in's libraries meet the differences between Qt 6
// (mapdesk, quarnel-sets) and Qt 5.15 (the QGIS 3 plugin). Everything else is
// written against the calls both provide, or against what this header adds.

#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)

#include <QByteArrayView>
#include <QStringDecoder>

#else

#include <QByteArray>
#include <QFlags>
#include <QString>
#include <QTextCodec>

#include <cstring>

/// Qt 6's read-only view of bytes someone else owns, with the members the
/// add-in uses. The viewed bytes must outlive the view.
class QByteArrayView
{
public:
    using value_type = char;
    using const_iterator = const char *;
    using iterator = const_iterator;

    constexpr QByteArrayView() noexcept = default;
    constexpr QByteArrayView(const char *data, qsizetype size) noexcept : m_data(data), m_size(size) {}
    constexpr QByteArrayView(const char *first, const char *end) noexcept : m_data(first), m_size(end - first) {}
    QByteArrayView(const QByteArray &bytes) noexcept : m_data(bytes.constData()), m_size(bytes.size()) {}
    /// A zero-terminated text, without its terminator.
    QByteArrayView(const char *text) noexcept : m_data(text), m_size(text ? qsizetype(std::strlen(text)) : 0) {}

    constexpr const char *data() const noexcept { return m_data; }
    constexpr const char *constData() const noexcept { return m_data; }
    constexpr qsizetype size() const noexcept { return m_size; }
    constexpr qsizetype length() const noexcept { return m_size; }
    constexpr bool isEmpty() const noexcept { return m_size == 0; }
    constexpr bool isNull() const noexcept { return m_data == nullptr; }

    constexpr char at(qsizetype i) const { return m_data[i]; }
    constexpr char operator[](qsizetype i) const { return m_data[i]; }
    constexpr char front() const { return m_data[0]; }
    constexpr char back() const { return m_data[m_size - 1]; }
    constexpr const char *begin() const noexcept { return m_data; }
    constexpr const char *end() const noexcept { return m_data + m_size; }
    constexpr const char *cbegin() const noexcept { return m_data; }
    constexpr const char *cend() const noexcept { return m_data + m_size; }

    constexpr QByteArrayView sliced(qsizetype pos) const { return {m_data + pos, m_size - pos}; }
    constexpr QByteArrayView sliced(qsizetype pos, qsizetype n) const { return {m_data + pos, n}; }
    constexpr QByteArrayView first(qsizetype n) const { return {m_data, n}; }
    constexpr QByteArrayView last(qsizetype n) const { return {m_data + m_size - n, n}; }
    constexpr QByteArrayView chopped(qsizetype n) const { return {m_data, m_size - n}; }
    constexpr void chop(qsizetype n) { m_size -= n; }
    constexpr void truncate(qsizetype n) { m_size = n; }

    bool startsWith(QByteArrayView other) const
    {
        return m_size >= other.m_size && std::memcmp(m_data, other.m_data, size_t(other.m_size)) == 0;
    }
    bool startsWith(const QByteArray &other) const { return startsWith(QByteArrayView(other)); }
    bool startsWith(const char *other) const { return startsWith(QByteArrayView(other)); }
    bool startsWith(char c) const { return m_size > 0 && m_data[0] == c; }

    QByteArray toByteArray() const { return QByteArray(m_data, int(m_size)); }

    friend bool operator==(QByteArrayView a, QByteArrayView b) noexcept
    {
        return a.m_size == b.m_size && (a.m_size == 0 || std::memcmp(a.m_data, b.m_data, size_t(a.m_size)) == 0);
    }
    friend bool operator!=(QByteArrayView a, QByteArrayView b) noexcept { return !(a == b); }
    // Exact matches, so that comparing with a text or a QByteArray needs no
    // conversion that Qt 5's own operators could also take.
    friend bool operator==(QByteArrayView a, const char *b) noexcept { return a == QByteArrayView(b); }
    friend bool operator!=(QByteArrayView a, const char *b) noexcept { return !(a == QByteArrayView(b)); }
    friend bool operator==(const char *a, QByteArrayView b) noexcept { return QByteArrayView(a) == b; }
    friend bool operator!=(const char *a, QByteArrayView b) noexcept { return !(QByteArrayView(a) == b); }
    friend bool operator==(QByteArrayView a, const QByteArray &b) noexcept { return a == QByteArrayView(b); }
    friend bool operator!=(QByteArrayView a, const QByteArray &b) noexcept { return !(a == QByteArrayView(b)); }
    friend bool operator==(const QByteArray &a, QByteArrayView b) noexcept { return QByteArrayView(a) == b; }
    friend bool operator!=(const QByteArray &a, QByteArrayView b) noexcept { return !(QByteArrayView(a) == b); }

private:
    const char *m_data = nullptr;
    qsizetype m_size = 0;
};

/// Qt 6's decoder of bytes into text, over Qt 5's text codecs, with the
/// members the add-in uses: stateless decoding that reports whether any byte
/// did not fit the encoding (a sequence cut short at the end included).
class QStringDecoder
{
public:
    enum Encoding { Utf8 };
    enum class Flag { Default = 0, Stateless = 1, ConvertInitialBom = 2 };
    Q_DECLARE_FLAGS(Flags, Flag)

    QStringDecoder(Encoding, Flags flags = Flag::Default) : m_codec(QTextCodec::codecForName("UTF-8")), m_flags(flags)
    {
    }
    QStringDecoder(const char *name, Flags flags = Flag::Default)
        : m_codec(QTextCodec::codecForName(name)), m_flags(flags)
    {
    }

    bool isValid() const { return m_codec != nullptr; }
    bool hasError() const { return m_error; }
    void resetState() { m_error = false; }

    QString operator()(QByteArrayView bytes) { return decode(bytes); }
    QString decode(QByteArrayView bytes)
    {
        if (!m_codec) {
            m_error = true;
            return {};
        }
        // Every call starts afresh (Qt 6 keeps no state for a stateless decoder).
        QTextCodec::ConverterState state(m_flags.testFlag(Flag::ConvertInitialBom) ? QTextCodec::IgnoreHeader
                                                                                   : QTextCodec::DefaultConversion);
        QString text = m_codec->toUnicode(bytes.data(), int(bytes.size()), &state);
        if (state.invalidChars > 0 || state.remainingChars > 0)
            m_error = true;
        return text;
    }

private:
    QTextCodec *m_codec;
    Flags m_flags;
    bool m_error = false;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(QStringDecoder::Flags)

#endif

namespace QtCompat {
/// The picture a QLabel shows, by value (Qt 5's pixmap() hands out a pointer).
template <typename Label> auto pixmapOf(const Label &label)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return label.pixmap();
#else
    return label.pixmap(Qt::ReturnByValue);
#endif
}
} // namespace QtCompat
