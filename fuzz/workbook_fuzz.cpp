// Feeds the workbook reader damaged workbooks and reads everything they hold, as an upload
// would: every sheet, every row, every known column through every SheetRow reader. The
// workbooks start from seeds (written here with WorkbookBuilder, and the odd files of the
// tests) and are damaged at random, with a fixed seed: bytes of the zip file flipped, inserted,
// deleted or spliced, or the unpacked XML of a part changed and zipped again. An Error is what
// a damaged workbook must give; anything else is a finding: another exception, an Error that
// passes on a library's exception text, memory past the bound, or a sanitizer's report.
//   workbook_fuzz [ITERATIONS [SEED [MEMORY_MIB]]]     (defaults 20000, 1, 768)
// The input being read is kept in a temporary directory whose path is printed first, so that it
// outlives a crash; a finding is also copied to workbook-fuzz-finding.xlsx.
#include <sys/resource.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <iterator>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <random>
#include <string>
#include <vector>

#include "fixtures/WorkbookBuilder.h"
#include "operator/Error.h"
#include "workbook/Workbook.h"

#if defined(__SANITIZE_ADDRESS__)
// Freed memory kept back by AddressSanitizer would count against the memory bound; a single
// allocation past what a workbook may unpack is a finding of its own.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=32:max_allocation_size_mb=1100";
}
#endif

using namespace wwweksports;

namespace {

using Random = std::mt19937_64;

// Columns of the seeds; a column the damage renames is not read.
// clang-format off
const char* const kColumns[] = {"ID", "NOSAUKUMS", "CENA", "ATLIKUMS", "DATUMS", "PARENT_ID",
                                "STATUSS", "LAIKS", "SKAITS", "atlikums", "LAST"};

// Pieces of workbook XML that the damage inserts, so that it reaches past the first syntax error.
const char* const kTokens[] = {
    "<c r=\"A0\">", "<c r=\"XFD1048576\">", "<c r=\"B2\" t=\"s\">", "<c t=\"inlineStr\"><is><t>",
    "<c t=\"str\"><f>A1</f>", "<f t=\"shared\" si=\"0\"/>", "<f>", "</f>", "<v>", "</v>", "<v/>",
    "</c>", "<row>", "<row r=\"1048576\">", "<row r=\"0\">", "</row>", "<si><t>", "</t></si>",
    "<r><t>", "<rPh><t>", "t=\"d\"", "t=\"b\"", "t=\"e\"", "s=\"1\"", "s=\"99999\"", "r=\"\"",
    "&amp;", "&#x1F600;", "&#0;", "&#xD800;", "&bogus;", "_x0041_", "_xD83D_", "<![CDATA[x]]>",
    "<!-- -->", "<?pi x?>", "<!DOCTYPE x>", "\"", "'", "<", ">", "/>", "=", "&", "\xC3",
    "\xF0\x9F\x98", "99999999999999999999", "-1", "1e309", "NaN", "4294967295", "2958466",
    "1904", "date1904=\"1\"", "<numFmt numFmtId=\"14\" formatCode=\"dd.mm.yyyy\"/>",
    "Target=\"/xl/worksheets/sheet1.xml\"", "Target=\"../../../x\"", "TargetMode=\"External\"",
    "<sheet name=\"x\" r:id=\"rId1\"/>", "xmlns:x=\"y\"", "x:", "<c r=\"A0\"><v>1</v></c>",
    "<c r=\"B2\"><f>A1</f></c>", "<c r=\"C2\" t=\"s\"><v>9</v></c>",
    "<c t=\"inlineStr\"><is><t> </t></is></c>", "<row><c><v>1</v></c></row>",
    "<row r=\"2\"><c r=\"A2\"><f t=\"shared\" si=\"0\"/><v/></c></row>"};
// clang-format on

struct Part {
    std::string name;
    QByteArray data;
};

struct Seed {
    QByteArray zip;
    std::vector<Part> parts;  // empty when the seed does not open
};

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// --- Zip files -------------------------------------------------------------------------------

std::vector<Part> Unzip(const QByteArray& zip) {
    orcus::zip_archive_stream_blob stream(reinterpret_cast<const uint8_t*>(zip.constData()),
                                          static_cast<size_t>(zip.size()));
    orcus::zip_archive archive(&stream);
    archive.load();
    std::vector<Part> parts;
    for (size_t i = 0; i < archive.get_file_entry_count(); ++i) {
        Part part{std::string(archive.get_file_entry_name(i)), {}};
        std::vector<unsigned char> bytes;
        archive.read_file_entry(part.name, bytes);
        while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
        part.data = QByteArray(reinterpret_cast<const char*>(bytes.data()),
                               static_cast<qsizetype>(bytes.size()));
        parts.push_back(std::move(part));
    }
    return parts;
}

bool IsCells(const Part& part) {
    return part.name.find("worksheets/") != std::string::npos ||
           part.name.find("sharedStrings") != std::string::npos;
}

uint32_t Crc32(const QByteArray& data) {
    uint32_t crc = 0xFFFFFFFF;
    for (const char c : data) {
        crc ^= static_cast<uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

void Put(QByteArray& to, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) to += static_cast<char>(value >> 8 * i & 0xFF);
}

// A zip file of the parts, each stored or deflated at random.
QByteArray Zip(const std::vector<Part>& parts, Random& random) {
    QByteArray files, directory;
    for (const Part& part : parts) {
        const bool deflate = random() % 2 == 0;
        // qCompress gives the size, a zlib header, the raw deflate data and a checksum.
        const QByteArray packed = deflate ? qCompress(part.data).mid(6).chopped(4) : part.data;
        const auto offset = static_cast<uint32_t>(files.size());
        const auto header = [&](QByteArray& to, bool central) {
            Put(to, central ? 0x02014b50 : 0x04034b50, 4);
            if (central) Put(to, 20, 2);
            for (const uint32_t field : {20u, 0u, deflate ? 8u : 0u, 0u, 0x5C21u})
                Put(to, field, 2);
            Put(to, Crc32(part.data), 4);
            Put(to, static_cast<uint32_t>(packed.size()), 4);
            Put(to, static_cast<uint32_t>(part.data.size()), 4);
            Put(to, static_cast<uint32_t>(part.name.size()), 2);
            Put(to, 0, 2);
            if (central) {
                for (int field = 0; field < 3; ++field) Put(to, 0, 2);
                Put(to, 0, 4);
                Put(to, offset, 4);
            }
            to += QByteArray::fromStdString(part.name);
        };
        header(files, false);
        files += packed;
        header(directory, true);
    }
    QByteArray end;
    Put(end, 0x06054b50, 4);
    Put(end, 0, 4);
    Put(end, static_cast<uint32_t>(parts.size()), 2);
    Put(end, static_cast<uint32_t>(parts.size()), 2);
    Put(end, static_cast<uint32_t>(directory.size()), 4);
    Put(end, static_cast<uint32_t>(files.size()), 4);
    Put(end, 0, 2);
    return files + directory + end;
}

// --- Damage ----------------------------------------------------------------------------------

size_t Below(Random& random, size_t bound) { return bound == 0 ? 0 : random() % bound; }

// A few changes to `bytes`; `tokens` may be inserted, `others` spliced in.
void Damage(QByteArray& bytes, Random& random, bool tokens, const std::vector<Seed>& others) {
    for (int changes = 1 + static_cast<int>(Below(random, 4)); changes > 0; --changes) {
        const auto at =
            static_cast<qsizetype>(Below(random, static_cast<size_t>(bytes.size()) + 1));
        const auto span = static_cast<qsizetype>(1 + Below(random, random() % 4 == 0 ? 4096 : 16));
        size_t kind = Below(random, tokens ? 8 : 7);
        // In a zip file, changes in place reach further than shifted offsets.
        if (!tokens && kind >= 2 && random() % 2 == 0) kind = Below(random, 2);
        switch (kind) {
            case 0:  // flip a bit
                if (at < bytes.size())
                    bytes[at] = static_cast<char>(bytes[at] ^ 1 << Below(random, 8));
                break;
            case 1:  // a byte or four at random, as a size or an offset in the zip directory
                for (qsizetype i = at; i < bytes.size() && i < at + (random() % 2 ? 1 : 4); ++i)
                    bytes[i] = static_cast<char>(random() % 3 == 0 ? 0xFF : random());
                break;
            case 2:
                bytes.insert(at, QByteArray(span, static_cast<char>(random())));
                break;
            case 3:
                bytes.remove(at, span);
                break;
            case 4:  // repeat a piece of itself
                bytes.insert(at, bytes.mid(static_cast<qsizetype>(
                                               Below(random, static_cast<size_t>(bytes.size()))),
                                           span));
                break;
            case 5: {  // a piece of another seed
                const QByteArray& other = others[Below(random, others.size())].zip;
                bytes.insert(at, other.mid(static_cast<qsizetype>(
                                               Below(random, static_cast<size_t>(other.size()))),
                                           span));
                break;
            }
            case 6:
                bytes.truncate(at);
                break;
            case 7:
                bytes.insert(at, kTokens[Below(random, std::size(kTokens))]);
                break;
        }
    }
}

// --- Reading ---------------------------------------------------------------------------------

struct Tally {
    long opened = 0, refused = 0, sheets = 0, sheetErrors = 0, reads = 0, readErrors = 0;
};

// An Error that passes on the text of a standard library exception ("std::bad_alloc", "stoi")
// hides what went wrong from the operator.
bool LeaksLibraryText(const Error& e) {
    return e.message().contains(QLatin1String("std::")) ||
           e.message().contains(QLatin1String("(stoi)"));
}

// Everything the workbook holds, read every way. Throws what the reader throws but an Error
// for a read.
void ReadEverything(const QString& directory, Tally& tally) {
    Workbook workbook = [&] {
        try {
            return Workbook::Open(directory + "/chosen", QStringLiteral("input.xlsx"));
        } catch (const Error&) {
            ++tally.refused;
            throw;
        }
    }();
    ++tally.opened;
    std::vector<std::function<Sheet()>> sheets = {[&] { return workbook.firstSheet(); }};
    for (const QString& name : workbook.sheetNames())
        sheets.push_back([&workbook, name] { return workbook.sheet(name); });
    for (const auto& load : sheets) {
        try {
            const Sheet sheet = load();
            ++tally.sheets;
            for (const SheetRow row : sheet) {
                for (const char* name : kColumns) {
                    const QString column = QString::fromLatin1(name);
                    if (!sheet.hasColumn(column)) continue;
                    const std::function<void()> reads[] = {
                        [&] { row.asText(column); }, [&] { row.asFloat(column); },
                        [&] { row.asInteger(column); }, [&] { row.asDateTime(column); }};
                    for (const auto& read : reads) {
                        ++tally.reads;
                        try {
                            read();
                        } catch (const Error& e) {
                            if (LeaksLibraryText(e)) throw;
                            ++tally.readErrors;
                        }
                    }
                }
            }
        } catch (const Error& e) {
            if (LeaksLibraryText(e)) throw;
            ++tally.sheetErrors;
        }
    }
}

double PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::vector<Seed> Seeds(const QString& directory) {
    using testing::ExcelDate;
    const std::monostate _;
    testing::WorkbookBuilder()
        .sheet("Preces")
        .row({"ID", "NOSAUKUMS", "CENA", "ATLIKUMS", "DATUMS"})
        .row({1, "Ābols", 0.5, 12, ExcelDate{2026, 3, 10}})
        .row({2, "Smaids 😀 & <tag>", "1,25", " ", ExcelDate{1900, 2, 28, 12}})
        .row({_, _, _, _, _, "beside"})
        .row({2147483648.0, "", -0.5, "x", "10.03.2026 12:30"})
        .sheet("Grupas")
        .row({"ID", "PARENT_ID", "NOSAUKUMS"})
        .row({100, 0, "Augļi"})
        .save((directory + "/built.xlsx").toStdString());
    testing::WorkbookBuilder().row({"ID"}).save((directory + "/header.xlsx").toStdString());
    QStringList files = {directory + "/built.xlsx", directory + "/header.xlsx"};
    const QDir odd(QStringLiteral(WWWEKSPORTS_ODD_WORKBOOKS));
    for (const QString& name : odd.entryList({"*.xlsx"}, QDir::Files, QDir::Name)) {
        // Large files are left out: each input is written and read whole.
        if (QFileInfo(odd.filePath(name)).size() < 65536) files << odd.filePath(name);
    }
    std::vector<Seed> seeds;
    for (const QString& file : files) {
        Seed seed{ReadFile(file), {}};
        try {
            // Only seeds whose directories the reader accepts are unzipped here.
            Workbook::Open(file, QFileInfo(file).fileName());
            seed.parts = Unzip(seed.zip);
        } catch (const Error&) {
        }
        seeds.push_back(std::move(seed));
    }
    return seeds;
}

}  // namespace

int main(int argc, char* argv[]) {
    const long iterations = argc > 1 ? std::atol(argv[1]) : 20000;
    Random random(argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1);
    const double memoryBound = argc > 3 ? std::atof(argv[3]) : 768;
#if !defined(__SANITIZE_ADDRESS__)
    // A runaway allocation fails rather than takes the machine's memory. (AddressSanitizer
    // reserves far more address space and bounds single allocations itself.)
    const rlimit addressSpace{rlim_t{4} << 30, rlim_t{4} << 30};
    setrlimit(RLIMIT_AS, &addressSpace);
#endif
    QTemporaryDir directory;
    if (!directory.isValid()) return 2;
    const QString input = directory.filePath(QStringLiteral("input.xlsx"));
    std::printf("workbook_fuzz: %ld iterations; the input being read is %s\n", iterations,
                qPrintable(input));
    const std::vector<Seed> seeds = Seeds(directory.path());

    const auto start = std::chrono::steady_clock::now();
    Tally tally;
    for (long i = 0; i < iterations; ++i) {
        const Seed& seed = seeds[Below(random, seeds.size())];
        QByteArray bytes;
        if (!seed.parts.empty() && random() % 2 == 0) {
            std::vector<Part> parts = seed.parts;
            for (int changed = 1 + static_cast<int>(Below(random, 2)); changed > 0; --changed) {
                // Mostly the cells and their strings, which the other parts lead to.
                size_t part = Below(random, parts.size());
                for (int tries = 0; tries < 8 && random() % 4 != 0 && !IsCells(parts[part]);
                     ++tries)
                    part = Below(random, parts.size());
                Damage(parts[part].data, random, true, seeds);
            }
            bytes = Zip(parts, random);
            if (random() % 8 == 0) Damage(bytes, random, false, seeds);
        } else {
            bytes = seed.zip;
            Damage(bytes, random, false, seeds);
        }
        if (!WriteFile(input, bytes)) return 2;
        QString finding;
        try {
            ReadEverything(directory.path(), tally);
        } catch (const Error& e) {
            if (LeaksLibraryText(e)) finding = e.message();
        } catch (const std::exception& e) {
            finding = QStringLiteral("exception: ") + QString::fromUtf8(e.what());
        } catch (...) {
            finding = QStringLiteral("an exception of an unknown type");
        }
        if (finding.isEmpty() && PeakMiB() > memoryBound)
            finding = QStringLiteral("peak memory %1 MiB").arg(PeakMiB());
        if (!finding.isEmpty()) {
            WriteFile(QStringLiteral("workbook-fuzz-finding.xlsx"), bytes);
            std::printf("finding at iteration %ld: %s (input in workbook-fuzz-finding.xlsx)\n", i,
                        qPrintable(finding));
            return 1;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "workbook_fuzz: %ld iterations in %.1f s, no findings; %ld workbooks refused, %ld "
        "opened; %ld sheets read, %ld refused; %ld cell reads, %ld refused; peak memory %.0f "
        "MiB\n",
        iterations, seconds, tally.refused, tally.opened, tally.sheets, tally.sheetErrors,
        tally.reads, tally.readErrors, PeakMiB());
    return 0;
}
