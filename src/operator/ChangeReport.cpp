#include "operator/ChangeReport.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <utility>

namespace wwweksports {
namespace {

// Each kind's name in JSON and in the operator's texts, in the order of ChangeExample::Kind.
struct KindNames {
    const char* key;
    const char* title;
};
const KindNames kKinds[] = {{"added", "jauns"},
                            {"removed", "dzēsts"},
                            {"changed", "mainīts"},
                            {"notInShop", "nav veikalā"}};

// Each part's name in JSON and in the operator's texts, in the order of ChangeSection::Part.
const KindNames kParts[] = {{"groups", "grupas"},
                            {"products", "preces"},
                            {"descriptions", "apraksti"},
                            {"categoryLinks", "preču saites ar grupām"},
                            {"keywords", "SEO atslēgvārdi"},
                            {"specialPrices", "akciju cenas"},
                            {"stock", "atlikumi"}};

QString KindTitle(ChangeExample::Kind kind) {
    return QString::fromUtf8(kKinds[static_cast<int>(kind)].title);
}

QString PartTitle(ChangeSection::Part part) {
    return QString::fromUtf8(kParts[static_cast<int>(part)].title);
}

// The count of a section, or of a section read only, that rows of `kind` add to.
template <typename Section>
auto& Counter(Section& section, ChangeExample::Kind kind) {
    switch (kind) {
        case ChangeExample::Kind::Added:
            return section.added;
        case ChangeExample::Kind::Removed:
            return section.removed;
        case ChangeExample::Kind::NotInShop:
            return section.notInShop;
        case ChangeExample::Kind::Changed:
            break;
    }
    return section.changed;
}

QString ExampleText(const ChangeExample& e) {
    QString text = QStringLiteral("  %1, %2").arg(KindTitle(e.kind), e.id);
    if (!e.name.isEmpty()) text += QStringLiteral(": ") + e.name;
    if (!e.column.isEmpty())
        text += QStringLiteral(" (%1: \"%2\" -> \"%3\")").arg(e.column, e.before, e.after);
    return text;
}

}  // namespace

void ChangeSection::add(ChangeExample example) {
    int64_t& counter = Counter(*this, example.kind);
    ++counter;
    if (counter <= kExamples) examples.push_back(std::move(example));
}

bool ChangeSection::keeps(ChangeExample::Kind kind) const {
    return Counter(*this, kind) < kExamples;
}

ChangeSection& ChangeReport::section(ChangeSection::Part part) {
    for (ChangeSection& s : sections)
        if (s.part == part) return s;
    ChangeSection added;
    added.part = part;
    const auto at = std::find_if(sections.begin(), sections.end(),
                                 [part](const ChangeSection& s) { return s.part > part; });
    return *sections.insert(at, added);
}

bool ChangeReport::anyChange() const {
    return std::any_of(sections.begin(), sections.end(),
                       [](const ChangeSection& s) { return s.added + s.removed + s.changed > 0; });
}

QString ChangeTable(const ChangeReport& report) {
    const QString row = QStringLiteral("%1 %2 %3 %4 %5 %6\n");
    const int width = 24;
    QString text = row.arg(QString(), -width)
                       .arg(QStringLiteral("jauni"), 9)
                       .arg(QStringLiteral("dzēsti"), 9)
                       .arg(QStringLiteral("mainīti"), 9)
                       .arg(QStringLiteral("nemainīti"), 10)
                       .arg(QStringLiteral("nav veikalā"), 12);
    for (const ChangeSection& s : report.sections)
        text += row.arg(PartTitle(s.part), -width)
                    .arg(s.added, 9)
                    .arg(s.removed, 9)
                    .arg(s.changed, 9)
                    .arg(s.unchanged, 10)
                    .arg(s.notInShop, 12);
    for (const ChangeSection& s : report.sections) {
        if (s.examples.empty()) continue;
        text += PartTitle(s.part) + QStringLiteral(":\n");
        for (const ChangeExample& e : s.examples) text += ExampleText(e) + QLatin1Char('\n');
    }
    return text;
}

QStringList ChangeLines(const ChangeReport& report) {
    QStringList lines;
    for (const ChangeSection& s : report.sections) {
        QString line = QStringLiteral("%1: jauni %2, dzēsti %3, mainīti %4, nemainīti %5")
                           .arg(PartTitle(s.part))
                           .arg(s.added)
                           .arg(s.removed)
                           .arg(s.changed)
                           .arg(s.unchanged);
        if (s.notInShop > 0) line += QStringLiteral(", nav veikalā %1").arg(s.notInShop);
        lines << line;
    }
    for (const ChangeSection& s : report.sections) {
        for (const ChangeExample& e : s.examples)
            lines << PartTitle(s.part) + QLatin1Char(',') + ExampleText(e).mid(1);
    }
    return lines;
}

QString ChangeLine(const ChangeReport& report) {
    QStringList parts;
    for (const ChangeSection& s : report.sections) {
        QStringList counts;
        if (s.added > 0) counts << QStringLiteral("+%1").arg(s.added);
        if (s.removed > 0) counts << QStringLiteral("-%1").arg(s.removed);
        if (s.changed > 0) counts << QStringLiteral("~%1").arg(s.changed);
        if (!counts.isEmpty()) parts << PartTitle(s.part) + QLatin1Char(' ') + counts.join(' ');
    }
    return parts.isEmpty() ? QStringLiteral("nekas") : parts.join(QStringLiteral(", "));
}

QJsonObject ChangeJson(const ChangeReport& report) {
    QJsonObject object;
    for (const ChangeSection& s : report.sections) {
        QJsonArray examples;
        for (const ChangeExample& e : s.examples) {
            QJsonObject example{
                {QStringLiteral("change"), QLatin1String(kKinds[static_cast<int>(e.kind)].key)},
                {QStringLiteral("id"), e.id},
                {QStringLiteral("name"), e.name}};
            if (!e.column.isEmpty()) {
                example.insert(QStringLiteral("column"), e.column);
                example.insert(QStringLiteral("old"), e.before);
                example.insert(QStringLiteral("new"), e.after);
            }
            examples.append(example);
        }
        object.insert(QLatin1String(kParts[static_cast<int>(s.part)].key),
                      QJsonObject{{QStringLiteral("added"), static_cast<qint64>(s.added)},
                                  {QStringLiteral("removed"), static_cast<qint64>(s.removed)},
                                  {QStringLiteral("changed"), static_cast<qint64>(s.changed)},
                                  {QStringLiteral("unchanged"), static_cast<qint64>(s.unchanged)},
                                  {QStringLiteral("notInShop"), static_cast<qint64>(s.notInShop)},
                                  {QStringLiteral("examples"), examples}});
    }
    return object;
}

}  // namespace wwweksports
