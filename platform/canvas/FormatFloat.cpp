#include "platform/canvas/FormatFloat.h"

#include <QStringList>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Splits at ";" outside quotes.
QStringList Sections(const QString& format)
{
    QStringList out;
    QString cur;
    QChar quote;
    for (QChar ch : format) {
        if (!quote.isNull()) {
            cur += ch;
            if (ch == quote)
                quote = QChar();
            continue;
        }
        if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
            quote = ch;
            cur += ch;
        } else if (ch == QLatin1Char(';')) {
            out << cur;
            cur.clear();
        } else {
            cur += ch;
        }
    }
    out << cur;
    return out;
}

struct Picture {
    // One token per placeholder or literal, in order.
    struct Token {
        enum Kind { IntDigit, FracDigit, Literal, DecimalPoint, Exponent } Type;
        QChar Ch;           // '0' or '#' for digits
        QString Text;       // literal text
        bool ExpPlus = false;
        bool ExpUpper = true;
        int ExpDigits = 1;
    };
    std::vector<Token> Tokens;
    int IntPlaces = 0;
    int MinInt = 0;         // placeholders from the first '0' to the decimal point
    int FracPlaces = 0;
    int MinFrac = 0;        // up to the last '0' after the point
    bool Thousands = false;
    bool HasPoint = false;
    bool HasExponent = false;
};

Picture Parse(const QString& s)
{
    Picture p;
    bool afterPoint = false;
    int firstZeroInt = -1;
    for (int i = 0; i < s.size(); ++i) {
        const QChar ch = s[i];
        if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
            const int end = s.indexOf(ch, i + 1);
            const QString lit = end < 0 ? s.mid(i + 1) : s.mid(i + 1, end - i - 1);
            p.Tokens.push_back({Picture::Token::Literal, QChar(), lit});
            i = end < 0 ? int(s.size()) : end;
            continue;
        }
        if ((ch == QLatin1Char('0') || ch == QLatin1Char('#')) && !p.HasExponent) {
            if (afterPoint) {
                ++p.FracPlaces;
                if (ch == QLatin1Char('0'))
                    p.MinFrac = p.FracPlaces;
                p.Tokens.push_back({Picture::Token::FracDigit, ch, {}});
            } else {
                if (ch == QLatin1Char('0') && firstZeroInt < 0)
                    firstZeroInt = p.IntPlaces;
                ++p.IntPlaces;
                p.Tokens.push_back({Picture::Token::IntDigit, ch, {}});
            }
            continue;
        }
        if (ch == QLatin1Char('.') && !afterPoint && !p.HasExponent) {
            afterPoint = true;
            p.HasPoint = true;
            p.Tokens.push_back({Picture::Token::DecimalPoint, ch, {}});
            continue;
        }
        if (ch == QLatin1Char(',') && !afterPoint && !p.HasExponent) {
            p.Thousands = true;
            continue;
        }
        if ((ch == QLatin1Char('E') || ch == QLatin1Char('e')) && i + 1 < s.size()
            && (s[i + 1] == QLatin1Char('+') || s[i + 1] == QLatin1Char('-')) && !p.HasExponent) {
            Picture::Token t{Picture::Token::Exponent, ch, {}};
            t.ExpUpper = ch == QLatin1Char('E');
            t.ExpPlus = s[i + 1] == QLatin1Char('+');
            int j = i + 2;
            int digits = 0;
            while (j < s.size() && s[j] == QLatin1Char('0')) {
                ++digits;
                ++j;
            }
            t.ExpDigits = std::max(1, digits);
            p.Tokens.push_back(t);
            p.HasExponent = true;
            i = j - 1;
            continue;
        }
        p.Tokens.push_back({Picture::Token::Literal, QChar(), QString(ch)});
    }
    p.MinInt = firstZeroInt < 0 ? 0 : p.IntPlaces - firstZeroInt;
    return p;
}

// |value| rounded half away from zero at `decimals` places, on its 15
// significant decimal digits (so 0.15 rounds to 0.2 as the user expects).
// Returns integer and fraction digit strings.
void RoundDecimal(double value, int decimals, std::string& intDigits, std::string& fracDigits)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    std::string digits;
    for (const char* c = buf; *c && *c != 'e'; ++c)
        if (*c >= '0' && *c <= '9')
            digits += *c;
    const char* e = std::strchr(buf, 'e');
    int exp10 = e ? std::atoi(e + 1) : 0;   // value = d.ddd x 10^exp10
    // Digits kept: those before the point (exp10 + 1) plus the decimals.
    const int keep = exp10 + 1 + decimals;
    if (keep < 0) {
        digits.clear();
    } else if (keep < int(digits.size())) {
        const bool up = digits[size_t(keep)] >= '5';
        digits.resize(size_t(keep));
        if (up) {
            int k = keep - 1;
            while (k >= 0 && digits[size_t(k)] == '9') {
                digits[size_t(k)] = '0';
                --k;
            }
            if (k >= 0) {
                ++digits[size_t(k)];
            } else {
                digits.insert(digits.begin(), '1');
                ++exp10;
            }
        }
    }
    // Place the point.
    const int intCount = exp10 + 1;
    if (intCount <= 0) {
        intDigits.assign(1, '0');
        fracDigits.assign(size_t(-intCount), '0');
        fracDigits.append(digits);
    } else {
        std::string d = digits;
        if (int(d.size()) < intCount)
            d += std::string(size_t(intCount - int(d.size())), '0');
        intDigits = d.substr(0, size_t(intCount));
        fracDigits = d.substr(size_t(intCount));
    }
    if (int(fracDigits.size()) < decimals)
        fracDigits += std::string(size_t(decimals - int(fracDigits.size())), '0');
    fracDigits.resize(size_t(std::max(0, decimals)));
    // Strip leading zeros of the integer part (keep one).
    size_t nz = intDigits.find_first_not_of('0');
    intDigits = nz == std::string::npos ? "0" : intDigits.substr(nz);
}

bool AllZero(const std::string& a, const std::string& b)
{
    return a.find_first_not_of('0') == std::string::npos && b.find_first_not_of('0') == std::string::npos;
}

QString Apply(const Picture& p, double value, bool withSign)
{
    double v = std::fabs(value);
    int exponent = 0;
    if (p.HasExponent && v != 0.0) {
        const int lead = std::max(1, p.IntPlaces);
        exponent = int(std::floor(std::log10(v))) - (lead - 1);
        v /= std::pow(10.0, exponent);
    }
    std::string intDigits, fracDigits;
    RoundDecimal(v, p.FracPlaces, intDigits, fracDigits);
    if (p.HasExponent && v != 0.0 && int(intDigits.size()) > std::max(1, p.IntPlaces)) {
        // Rounding carried into a new digit (9.96 -> 10.0): renormalise.
        v /= 10.0;
        ++exponent;
        RoundDecimal(v, p.FracPlaces, intDigits, fracDigits);
    }
    // Trailing zeros beyond the required places go.
    while (int(fracDigits.size()) > p.MinFrac && !fracDigits.empty() && fracDigits.back() == '0')
        fracDigits.pop_back();
    if (intDigits == "0" && p.MinInt == 0)
        intDigits.clear();
    if (int(intDigits.size()) < p.MinInt)
        intDigits = std::string(size_t(p.MinInt - int(intDigits.size())), '0') + intDigits;
    if (p.Thousands && intDigits.size() > 3) {
        std::string grouped;
        const int n = int(intDigits.size());
        for (int i = 0; i < n; ++i) {
            grouped += intDigits[size_t(i)];
            if ((n - 1 - i) % 3 == 0 && i != n - 1)
                grouped += ',';
        }
        intDigits = grouped;
    }
    const bool negative = withSign && value < 0 && !AllZero(intDigits, fracDigits);

    QString out;
    int intSeen = 0;
    int fracSeen = 0;
    const int intLen = int(intDigits.size());
    for (const Picture::Token& t : p.Tokens) {
        switch (t.Type) {
        case Picture::Token::IntDigit: {
            // Placeholders are right-aligned with the digits; the first one
            // takes any extra leading digits.
            const int pos = intSeen++;
            const int index = intLen - (p.IntPlaces - pos);
            if (pos == 0 && index > 0)
                out += QString::fromStdString(intDigits.substr(0, size_t(index)));
            if (index >= 0 && index < intLen)
                out += QLatin1Char(intDigits[size_t(index)]);
            break;
        }
        case Picture::Token::DecimalPoint:
            if (p.IntPlaces == 0)   // no integer placeholder: the digits still show
                out += QString::fromStdString(intDigits);
            if (!fracDigits.empty())
                out += QLatin1Char('.');
            break;
        case Picture::Token::FracDigit:
            if (fracSeen < int(fracDigits.size()))
                out += QLatin1Char(fracDigits[size_t(fracSeen)]);
            ++fracSeen;
            break;
        case Picture::Token::Exponent: {
            out += t.ExpUpper ? QLatin1Char('E') : QLatin1Char('e');
            if (exponent < 0)
                out += QLatin1Char('-');
            else if (t.ExpPlus)
                out += QLatin1Char('+');
            out += QString::number(std::abs(exponent)).rightJustified(t.ExpDigits, QLatin1Char('0'));
            break;
        }
        case Picture::Token::Literal:
            out += t.Text;
            break;
        }
    }
    if (negative)
        out.prepend(QLatin1Char('-'));
    return out;
}

} // namespace

QString TFormat::FormatFloat(const QString& format, double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (format.isEmpty())
        return QString::number(value, 'g', 15);
    const QStringList sections = Sections(format);
    const Picture positive = Parse(sections[0]);
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty()) {
        const QString s = Apply(Parse(sections[1]), value, false);
        return s;
    }
    const QString s = Apply(positive, value, true);
    if (sections.size() >= 3 && !sections[2].isEmpty()) {
        // The zero section applies when the value shows as zero.
        std::string i, f;
        RoundDecimal(value, positive.FracPlaces, i, f);
        if (AllZero(i, f) && !positive.HasExponent)
            return Apply(Parse(sections[2]), value, false);
    }
    return s;
}
