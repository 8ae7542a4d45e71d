#include "acquisition/CalibrationFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr long MaxFileBytes = 1 << 20;   // far beyond any real file: a bigger one is not ours
constexpr const char* HeaderComment[] = {
    "; Velquor channel calibrations, one section per channel, modulation and carrier.",
    "; MicrovoltsPerUnit: microvolts per 100 % modulation depth (AM) or per Hz of deviation (FM).",
};

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool ParseNumber(const std::string& text, double& value)
{
    const std::string t = Trim(text);
    if (t.empty()) return false;
    char* end = nullptr;
    value = std::strtod(t.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value);
}

std::string Number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// "Channel1 AM 19145" -> channel, modulation, carrier.
bool ParseSectionName(const std::string& name, ChannelCalibration& c)
{
    char channel[16] = {}, modulation[8] = {}, carrier[40] = {}, rest[2] = {};
    if (std::sscanf(name.c_str(), "%15s %7s %39s %1s", channel, modulation, carrier, rest) != 3) return false;
    if (strcasecmp(channel, "Channel1") == 0) c.Channel = 1;
    else if (strcasecmp(channel, "Channel2") == 0) c.Channel = 2;
    else return false;
    if (strcasecmp(modulation, "AM") == 0) c.ModulationType = 1;
    else if (strcasecmp(modulation, "FM") == 0) c.ModulationType = 2;
    else return false;
    return ParseNumber(carrier, c.CarrierHz) && c.CarrierHz > 0.0;
}

bool SameKey(const ChannelCalibration& c, int channel, int modulationType, double carrierHz)
{
    return c.Channel == channel && c.ModulationType == modulationType &&
           std::fabs(c.CarrierHz - carrierHz) <= CalibrationCarrierToleranceHz;
}

bool MakeFolders(const std::string& path, std::string& error)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        const std::string folder = path.substr(0, at);
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot create " + folder + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool WriteAll(int fd, const std::string& text)
{
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string DefaultCalibrationPath()
{
    // As the settings file's folder is found: XDG_CONFIG_HOME when set, else ~/.config.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = ::getpwuid(::getuid());
            home = pw && pw->pw_dir ? pw->pw_dir : "/";
        }
        base = std::string(home) + "/.config";
    }
    return base + "/velquor/calibration.ini";
}

std::string CalibrationFile::SectionName(const ChannelCalibration& c)
{
    char carrier[40];
    std::snprintf(carrier, sizeof carrier, c.CarrierHz == std::round(c.CarrierHz) ? "%.0f" : "%.2f", c.CarrierHz);
    return "Channel" + std::to_string(c.Channel) + " " + ModulationName(c.ModulationType) + " " + carrier;
}

bool CalibrationFile::Load(const std::string& path, std::string& error)
{
    header_.clear();
    sections_.clear();
    problems_.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (errno == ENOENT) return true;
        error = std::strerror(errno);
        return false;
    }
    std::string text;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && text.size() <= static_cast<size_t>(MaxFileBytes))
        text.append(chunk, n);
    const bool failed = std::ferror(f) != 0;
    const int readErrno = errno;
    std::fclose(f);
    if (failed) {
        error = std::strerror(readErrno == 0 ? EIO : readErrno);
        return false;
    }
    if (text.size() > static_cast<size_t>(MaxFileBytes)) {
        error = "larger than 1 MiB, not a calibration file";
        return false;
    }

    // A section is collected whole, then either taken as a calibration or kept as raw lines.
    struct Pending {
        bool Open = false;
        bool Candidate = false;
        int Line = 0;
        std::string Name;
        Section Found;
        std::vector<std::string> Raw;
        bool HasFactor = false;
        std::string Bad;
    } pending;
    auto finish = [&] {
        if (!pending.Open) return;
        Section section;
        const char* problem = nullptr;
        if (pending.Candidate) {
            if (!pending.Bad.empty()) problem = pending.Bad.c_str();
            else if (!pending.HasFactor) problem = "MicrovoltsPerUnit is missing";
            else if (FindSection(pending.Found.Value.Channel, pending.Found.Value.ModulationType,
                                 pending.Found.Value.CarrierHz))
                problem = "the same channel, modulation and carrier as a section above (that one is used)";
        }
        if (pending.Candidate && !problem) {
            section = pending.Found;
            section.Calibration = true;
        } else {
            section.Lines = pending.Raw;
            if (problem)
                problems_.push_back("line " + std::to_string(pending.Line) + ": [" + pending.Name + "]: " + problem);
        }
        sections_.push_back(section);
        pending = Pending{};
    };

    int lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = Trim(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            finish();
            pending.Open = true;
            pending.Line = lineNumber;
            pending.Name = Trim(t.substr(1, t.size() - 2));
            pending.Raw.push_back(line);
            pending.Candidate = ParseSectionName(pending.Name, pending.Found.Value);
            continue;
        }
        if (!pending.Open) {
            header_.push_back(line);
            continue;
        }
        pending.Raw.push_back(line);
        const size_t eq = t.find('=');
        double value = 0.0;
        if (!pending.Candidate || t.empty() || t[0] == ';' || t[0] == '#' || eq == std::string::npos) {
            pending.Found.Lines.push_back(line);
            continue;
        }
        const std::string key = Trim(t.substr(0, eq));
        std::string valueText = t.substr(eq + 1);
        const size_t comment = valueText.find(';');
        if (comment != std::string::npos) valueText.resize(comment);
        ChannelCalibration& c = pending.Found.Value;
        double* target = strcasecmp(key.c_str(), "MicrovoltsPerUnit") == 0      ? &c.MicrovoltsPerUnit
                         : strcasecmp(key.c_str(), "DeclaredMicrovoltsPp") == 0 ? &c.DeclaredMicrovoltsPp
                         : strcasecmp(key.c_str(), "DeclaredHz") == 0           ? &c.DeclaredHz
                                                                                : nullptr;
        if (!target) {
            pending.Found.Lines.push_back(line);
            continue;
        }
        if (!ParseNumber(valueText, value) || value <= 0.0) {
            if (pending.Bad.empty()) pending.Bad = key + " is not a positive number ('" + Trim(valueText) + "')";
            continue;
        }
        *target = value;
        if (target == &c.MicrovoltsPerUnit) pending.HasFactor = true;
    }
    finish();
    return true;
}

CalibrationFile::Section* CalibrationFile::FindSection(int channel, int modulationType, double carrierHz)
{
    for (Section& s : sections_)
        if (s.Calibration && SameKey(s.Value, channel, modulationType, carrierHz)) return &s;
    return nullptr;
}

const ChannelCalibration* CalibrationFile::Find(int channel, int modulationType, double carrierHz) const
{
    for (const Section& s : sections_)
        if (s.Calibration && SameKey(s.Value, channel, modulationType, carrierHz)) return &s.Value;
    return nullptr;
}

std::vector<ChannelCalibration> CalibrationFile::Entries() const
{
    std::vector<ChannelCalibration> entries;
    for (const Section& s : sections_)
        if (s.Calibration) entries.push_back(s.Value);
    return entries;
}

void CalibrationFile::Store(const ChannelCalibration& calibration)
{
    if (Section* s = FindSection(calibration.Channel, calibration.ModulationType, calibration.CarrierHz)) {
        s->Value = calibration;
        return;
    }
    Section s;
    s.Calibration = true;
    s.Value = calibration;
    sections_.push_back(s);
}

bool CalibrationFile::Remove(int channel, int modulationType, double carrierHz)
{
    for (size_t i = 0; i < sections_.size(); ++i)
        if (sections_[i].Calibration && SameKey(sections_[i].Value, channel, modulationType, carrierHz)) {
            sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    return false;
}

bool CalibrationFile::Save(const std::string& path, std::string& error) const
{
    std::string text;
    if (header_.empty())
        for (const char* line : HeaderComment) text += std::string(line) + "\n";
    for (const std::string& line : header_) text += line + "\n";
    for (const Section& s : sections_) {
        if (!s.Calibration) {
            for (const std::string& line : s.Lines) text += line + "\n";
            continue;
        }
        // A blank line between sections.
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\n\n") != 0) text += "\n";
        const ChannelCalibration& c = s.Value;
        text.append("[").append(SectionName(c)).append("]\n");
        text += "MicrovoltsPerUnit=" + Number(c.MicrovoltsPerUnit) + "\n";
        if (c.DeclaredMicrovoltsPp > 0.0) text += "DeclaredMicrovoltsPp=" + Number(c.DeclaredMicrovoltsPp) + "\n";
        if (c.DeclaredHz > 0.0) text += "DeclaredHz=" + Number(c.DeclaredHz) + "\n";
        for (const std::string& line : s.Lines)
            if (!Trim(line).empty()) text += line + "\n";
    }

    // Through a link to its target, so the link stays.
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    if (!MakeFolders(target, error)) return false;
    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = "cannot create a file beside " + target + ": " + std::strerror(errno);
        return false;
    }
    const bool written = WriteAll(fd, text) && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    const int writeErrno = errno;
    if (::close(fd) != 0 || !written) {
        error = "cannot write " + target + ": " + std::strerror(written ? errno : writeErrno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = "cannot replace " + target + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}
