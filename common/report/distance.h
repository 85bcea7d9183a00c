#pragma once

#include <compare>

// A length on the page. Label layouts are given in twips (1440 to the inch); every conversion
// to another unit happens here, so units never mix.
class Distance {
public:
    constexpr Distance() = default;
    static constexpr Distance Twips(double twips) { return Distance(twips); }
    static constexpr Distance Points(double points) { return Distance(points * 20); }
    static constexpr Distance Millimetres(double mm) { return Distance(mm * kPerInch / 25.4); }

    constexpr double InTwips() const { return twips_; }
    constexpr double InPoints() const { return twips_ / 20; }
    constexpr double InMillimetres() const { return twips_ * 25.4 / kPerInch; }
    constexpr double InDots(double dotsPerInch) const { return twips_ * dotsPerInch / kPerInch; }

    constexpr Distance operator+(Distance other) const { return Distance(twips_ + other.twips_); }
    constexpr Distance operator-(Distance other) const { return Distance(twips_ - other.twips_); }
    constexpr Distance& operator+=(Distance other) {
        twips_ += other.twips_;
        return *this;
    }
    constexpr auto operator<=>(const Distance&) const = default;

    static constexpr double kPerInch = 1440;

private:
    constexpr explicit Distance(double twips) : twips_(twips) {}
    double twips_ = 0;
};

constexpr Distance operator""_tw(unsigned long long twips) {
    return Distance::Twips(double(twips));
}
