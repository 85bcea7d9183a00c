#pragma once

#include <QString>
#include <bit>
#include <cstring>
#include <string>
#include <string_view>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Text as the search compares it: compatibility forms folded (full-width Latin and digits to
// ASCII, half-width katakana to full-width), then case.
QString FoldForSearch(const QString& text);

// Appends UTF-8 text folded as FoldForSearch folds it. Where folding could only lower ASCII
// letters, the bytes are lowered as they are: normalising a million titles takes seconds.
void AppendFolded(std::string& out, std::string_view utf8);

// What a caller of ForEachOccurrence answers when it needs no more occurrences.
inline constexpr size_t kNoFurther = std::string_view::npos;

// Calls onHit(offset) for each place the needle occurs in the text, in order; onHit answers
// where to look on from, past that offset, or kNoFurther. Sixteen places at a time are checked
// for the needle's first and last bytes together: in Japanese UTF-8 almost every character
// begins with the same byte, but the pair is rare, and a sweep through a million titles must fit
// between two keys.
template <typename OnHit>
void ForEachOccurrence(std::string_view text, std::string_view needle, OnHit&& onHit) {
    const size_t length = needle.size();
    const char* const s = text.data();
    const size_t size = text.size();
    if (length == 0 || size < length)
        return;
    size_t at = 0;
#ifdef __SSE2__
    const __m128i first = _mm_set1_epi8(needle.front());
    const __m128i last = _mm_set1_epi8(needle.back());
    while (at + length - 1 + 16 <= size) {
        const auto block = [&](size_t from) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + from));
        };
        auto candidates = unsigned(_mm_movemask_epi8(_mm_and_si128(
            _mm_cmpeq_epi8(block(at), first), _mm_cmpeq_epi8(block(at + length - 1), last))));
        size_t next = at + 16;
        while (candidates) {
            const size_t hit = at + size_t(std::countr_zero(candidates));
            candidates &= candidates - 1;
            // Most needles are a few bytes: compared here rather than by a call for each.
            if (length > 2 && memcmp(s + hit + 1, needle.data() + 1, length - 2) != 0)
                continue;
            const size_t resume = onHit(hit);
            if (resume == kNoFurther)
                return;
            if (resume >= at + 16) {
                next = resume;
                break;
            }
            candidates &= ~0u << (resume - at);
        }
        at = next;
    }
#endif
    // The end, too short for a whole block: by the last byte, the rarer in Japanese.
    for (size_t end = at + length - 1; end < size;) {
        const void* found = memchr(s + end, needle.back(), size - end);
        if (!found)
            return;
        const size_t hit = size_t(static_cast<const char*>(found) - s) - (length - 1);
        if (memcmp(s + hit, needle.data(), length - 1) != 0) {
            end = hit + length;
            continue;
        }
        const size_t resume = onHit(hit);
        if (resume == kNoFurther)
            return;
        end = resume + length - 1;
    }
}

// Where the needle first occurs in the text; null when nowhere.
const char* FindIn(std::string_view text, std::string_view needle);
