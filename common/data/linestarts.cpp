#include "linestarts.h"

#include <algorithm>

void LineStarts::Add(quint32 length) {
    if (lengths_.size() % kLinesPerMark == 0)
        marks_.push_back(end_);
    if (length >= kLong)
        longLengths_.emplace_back(Count(), length);
    lengths_.push_back(quint8(std::min<quint32>(length, kLong)));
    end_ += length;
}

quint32 LineStarts::LongLength(Line line) const {
    if (line >= Count())
        return 0;
    return std::lower_bound(longLengths_.begin(), longLengths_.end(), std::pair(line, 0u))->second;
}

quint32 LineStarts::Start(Line line) const {
    if (line >= Count())
        return end_;
    const Line mark = line / kLinesPerMark;
    quint32 start = marks_[mark];
    for (Line before = mark * kLinesPerMark; before < line; ++before)
        start += Length(before);
    return start;
}

void LineStarts::ShrinkToFit() {
    lengths_.shrink_to_fit();
    marks_.shrink_to_fit();
    longLengths_.shrink_to_fit();
}

void LineStarts::Walker::MoveTo(Line line) {
    if (line / kLinesPerMark > line_ / kLinesPerMark)
        return Jump(line);
    while (line_ < line)
        Next();
}

void LineStarts::Walker::Jump(Line line) {
    line_ = line;
    start_ = starts_->Start(line);
    end_ = start_ + starts_->Length(line);
}
