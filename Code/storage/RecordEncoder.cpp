#include "RecordEncoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

/// Writes a field's text as UTF-8 at out, each quote doubled, and returns
/// the end; isPlain tells whether the bytes are the text's code units as they
/// stand (ASCII without quotes). Room for three bytes per unit must be there.
char *encodeField(char *out, QStringView text, bool &isPlain)
{
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    // Most names are plain: their units are copied first and looked at
    // afterwards, eight at a time where there are eight (the last eight
    // overlapping the ones before).
    bool plain = true;
    qsizetype i = 0;
#if defined(__SSE2__)
    if (size >= 8) {
        const __m128i highBits = _mm_set1_epi16(std::int16_t(0xFF80));
        const __m128i quotes = _mm_set1_epi16('"');
        __m128i seen = _mm_setzero_si128();
        for (;; i += 8) {
            if (i + 8 > size)
                i = size - 8;
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + i));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), _mm_packus_epi16(chunk, chunk));
            seen = _mm_or_si128(seen, _mm_or_si128(_mm_and_si128(chunk, highBits), _mm_cmpeq_epi16(chunk, quotes)));
            if (i + 8 == size)
                break;
        }
        plain = _mm_movemask_epi8(_mm_cmpeq_epi8(seen, _mm_setzero_si128())) == 0xFFFF;
        i = size;
    }
#endif
    for (; i < size; ++i) {
        const char16_t unit = units[i];
        out[i] = char(unit);
        plain &= unit < 0x80 && unit != u'"';
    }
    isPlain = plain;
    if (plain)
        return out + size;
    const QByteArray bytes = text.toUtf8();
    for (const char c : bytes) {
        *out++ = c;
        if (c == '"')
            *out++ = '"';
    }
    return out;
}

/// True when text, all of whose units are below 0x80, reads as the plain
/// bytes `bytes` of the same length.
bool samePlainText(const char16_t *units, const char *bytes, qsizetype size)
{
#if defined(__SSE2__)
    if (size >= 8) {
        for (qsizetype i = 0;; i += 8) {
            if (i + 8 > size)
                i = size - 8;
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(units + i));
            const __m128i expected =
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(bytes + i)), _mm_setzero_si128());
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(chunk, expected)) != 0xFFFF)
                return false;
            if (i + 8 == size)
                return true;
        }
    }
#endif
    for (qsizetype i = 0; i < size; ++i)
        if (units[i] != char16_t(static_cast<unsigned char>(bytes[i])))
            return false;
    return true;
}

} // namespace

void RecordEncoder::append(std::initializer_list<QStringView> fields)
{
    // Room for the worst case: three bytes per unit, the quotes, the
    // separators and the line end.
    qsizetype room = 2;
    for (const QStringView field : fields)
        room += 3 * field.size() + 3;
    const qsizetype start = m_used;
    if (m_bytes.size() - start < room)
        m_bytes.resize(std::max<qsizetype>(2 * m_bytes.size(), start + room));
    // A record counts once its end is kept; until then its bytes are room to
    // grow into, and a record cut short by a failure leaves nothing behind
    // to copy from.
    try {
        char *const base = m_bytes.data();
        char *out = base + start;

        // The leading fields that repeat the record before are its bytes up to
        // the first field that differs, copied in one go.
        const bool follows = m_last.size() == fields.size();
        m_last.resize(fields.size());
        auto field = fields.begin();
        std::size_t i = 0;
        if (follows) {
            while (i < fields.size() && m_last[i].plain && field->size() == m_last[i].end - m_last[i].begin
                   && samePlainText(field->utf16(), base + m_last[i].begin, field->size())) {
                ++i;
                ++field;
            }
            if (i > 0) {
                const qsizetype from = m_last[0].begin - 1;
                // Up to the comma before the first field that differs, or through
                // the closing quote of the last field.
                const qsizetype length = (i < fields.size() ? m_last[i].begin - 2 : m_last[i - 1].end + 1) - from;
                const qsizetype shift = start - from;
                std::memcpy(out, base + from, std::size_t(length));
                out += length;
                for (std::size_t j = 0; j < i; ++j) {
                    m_last[j].begin += shift;
                    m_last[j].end += shift;
                }
            }
        }
        for (; i < fields.size(); ++i, ++field) {
            if (i > 0)
                *out++ = ',';
            *out++ = '"';
            Field &memo = m_last[i];
            memo.begin = out - base;
            out = encodeField(out, *field, memo.plain);
            memo.end = out - base;
            *out++ = '"';
        }
        *out++ = '\r';
        *out++ = '\n';
        m_recordEnds.push_back(out - base);
        m_used = out - base;
    } catch (...) {
        m_last.clear();
        throw;
    }
}

void RecordEncoder::clear()
{
    // Room for a save of some tens of thousands of layers is kept.
    constexpr qsizetype keptRoom = qsizetype(8) << 20;
    m_last.clear();
    m_recordEnds.clear();
    m_used = 0;
    if (m_bytes.size() > keptRoom) {
        m_bytes = QByteArray();
        m_recordEnds.shrink_to_fit();
    }
}
