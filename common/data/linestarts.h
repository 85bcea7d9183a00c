#pragma once

#include <QtGlobal>
#include <utility>
#include <vector>

// Where each of a million texts laid end to end starts, in about a byte each rather than four:
// each text's length in one byte, and the full offset of every 64th. Read one after another
// through a Walker; any one alone costs a few dozen additions.
class LineStarts {
public:
    using Line = quint32;

    // Appends the next text's length. The caller keeps the whole within four bytes.
    void Add(quint32 length);
    Line Count() const { return Line(lengths_.size()); }
    // Where the line starts; Count() gives where the last one ends.
    quint32 Start(Line line) const;
    quint32 Length(Line line) const {
        return line < Count() && lengths_[line] < kLong ? lengths_[line] : LongLength(line);
    }
    void ShrinkToFit();

    // One line after another, forward only.
    class Walker {
    public:
        Walker(const LineStarts& starts, Line line) : starts_(&starts) { Jump(line); }
        Line Current() const { return line_; }
        quint32 Start() const { return start_; }
        quint32 End() const { return end_; }
        void Next() {
            start_ = end_;
            end_ += starts_->Length(++line_);
        }
        // Forward to a later line, from the nearest full offset when that is nearer.
        void MoveTo(Line line);

    private:
        void Jump(Line line);

        const LineStarts* starts_;
        Line line_ = 0;
        quint32 start_ = 0;
        quint32 end_ = 0;
    };

private:
    quint32 LongLength(Line line) const;

    static constexpr Line kLinesPerMark = 64;
    // A length of this or more is kept in longLengths_.
    static constexpr quint8 kLong = 255;

    std::vector<quint8> lengths_;
    std::vector<quint32> marks_;
    std::vector<std::pair<Line, quint32>> longLengths_;
    quint32 end_ = 0;
};
