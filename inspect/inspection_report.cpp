#include "inspect/inspection_report.h"

#include "inspect/image_file.h"
#include "inspect/mp3_info.h"
#include "inspect/text_util.h"
#include "inspect/version_resource.h"
#include "inspect/zip_reader.h"

#include <cctype>
#include <exception>

namespace fetchly::inspect {
namespace {

std::string line(std::string_view text)
{
    std::string out(text);
    out += ReportLineEnd;
    return out;
}

// Runs a report routine: whatever happens, the text built so far is the report.
template <typename Body> InspectionResult build(Body body)
{
    InspectionResult result;
    result.HasReport = true;
    try {
        body(result.Report);
    } catch (const std::exception &e) {
        result.Error = e.what();
    } catch (...) {
        result.Error = "Unknown error";
    }
    return result;
}

} // namespace

ReportKind ReportKindFor(std::string_view urlOrPath)
{
    const std::size_t at = urlOrPath.find_last_of(".\\:");
    if (at == std::string_view::npos || urlOrPath[at] != '.')
        return ReportKind::None;
    const std::string ext = toLowerAscii(urlOrPath.substr(at));
    if (ext == ".mp3")
        return ReportKind::Mp3;
    if (ext == ".zip")
        return ReportKind::Zip;
    if (ext == ".exe" || ext == ".dll")
        return ReportKind::VersionInfo;
    if (ext == ".jpg" || ext == ".jpeg")
        return ReportKind::Exif;
    return ReportKind::None;
}

std::string FileNameFromUrl(std::string_view url)
{
    std::size_t at = url.rfind('/');
    if (at != std::string_view::npos)
        url.remove_prefix(at + 1);
    at = url.rfind('\\');
    if (at != std::string_view::npos)
        url.remove_prefix(at + 1);
    return std::string(url);
}

std::string LocalPathFor(std::string_view targetDir, std::string_view url)
{
    std::string path(targetDir);
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + FileNameFromUrl(url);
}

InspectionResult ReportExif(const std::string &path)
{
    return build([&](std::string &report) {
        const std::string shown = DisplayText(path);
        report = line(shown);
        TImageFile image(ExifListMode::Both);
        image.ListMode = ExifListMode::Both;
        image.LoadFromFile(path);
        report += line(shown);
        if (!image.HasExifSection())
            return;
        report += line(" EXIF-Data --------------");
        report += line("Error = " + image.ErrorText);
        report += line(image.BigEndian ? "Motorola Byte Order" : "Intel Byte Order");
        TExifDirectory &exif = *image.ExifReader;
        exif.RestartTagWalk();
        TTagRecord entry;
        while (exif.NextTag(0, entry))
            report += line(std::string(entry.Description) + " = " + entry.DisplayValue);
        report += line(" EXIF Summary ----------- ");
        report += line(exif.SummaryText());
        std::string v = exif.ValueByName("MaxApertureValue");
        if (!v.empty())
            report += line(" Widest Aperture is " + v);
        v = exif.ValueByName("ShutterSpeedValue");
        if (!v.empty())
            report += line(" Response Time is " + v);
        v = exif.ValueByName("MeteringMode");
        if (!v.empty())
            report += " Light Meter mode is " + v;
    });
}

InspectionResult ReportVersionInfo(const std::string &path)
{
    return build([&](std::string &report) {
        const std::string shown = DisplayText(path);
        report = line(shown);
        const TVersionResource info(path);
        report += line(shown);
        report += line("Version : " + EscapeInvisible(info.FileVersion()));
        report += line("Company Name : " + EscapeInvisible(info.CompanyName()));
        report += line("Description : " + EscapeInvisible(info.FileDescription()));
        report += line("Internal Name : " + EscapeInvisible(info.InternalName()));
        report += line("Legal Copyright : " + EscapeInvisible(info.LegalCopyright()));
        report += line("Comments : " + EscapeInvisible(info.Comments()));
    });
}

InspectionResult ReportZip(const std::string &path)
{
    return build([&](std::string &report) {
        report = line(DisplayText(path));
        TZipReader zip;
        zip.SetFileName(path);
        for (int i = 0; i < zip.FileCount(); ++i)
            report += line(DisplayText(zip.Entry(i).FileName));
    });
}

InspectionResult ReportMp3(const std::string &path)
{
    return build([&](std::string &report) {
        report = line(DisplayText(path));
        report = ReadMp3Info(path);
    });
}

namespace {

InspectionResult runReport(ReportKind kind, const std::string &path)
{
    switch (kind) {
    case ReportKind::Mp3:
        return ReportMp3(path);
    case ReportKind::Zip:
        return ReportZip(path);
    case ReportKind::VersionInfo:
        return ReportVersionInfo(path);
    case ReportKind::Exif:
        return ReportExif(path);
    case ReportKind::None:
        break;
    }
    return {};
}

} // namespace

InspectionResult InspectPath(const std::string &path)
{
    return runReport(ReportKindFor(path), path);
}

InspectionResult InspectCurrentFile(std::string_view url, std::string_view targetDir)
{
    const ReportKind kind = ReportKindFor(url);
    if (kind == ReportKind::None)
        return {};
    return runReport(kind, LocalPathFor(targetDir, url));
}

InspectionResult WithContentLines(InspectionResult result, std::string_view mismatch,
                                  std::string_view sha256Hex)
{
    if (!mismatch.empty()) {
        std::string first(mismatch);
        first[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(first[0])));
        result.Report.insert(0, line(first));
        result.HasReport = true;
    }
    if (!sha256Hex.empty()) {
        if (!result.Report.empty() && !result.Report.ends_with(ReportLineEnd))
            result.Report += ReportLineEnd;
        result.Report += line("SHA-256: " + std::string(sha256Hex));
        result.HasReport = true;
    }
    return result;
}

std::string NativeLineEnds(std::string_view report)
{
    std::string out;
    out.reserve(report.size());
    for (std::size_t i = 0; i < report.size(); ++i) {
        const char c = report[i];
        if ((c == '\n' || c == '\r') && i + 1 < report.size() && report[i + 1] == (c == '\n' ? '\r' : '\n')) {
            out += '\n';
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace fetchly::inspect
