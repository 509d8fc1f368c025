#include "catalogue/CatalogueUpload.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include "catalogue/BatchWriter.h"
#include "catalogue/CatalogueLookups.h"
#include "catalogue/GroupTree.h"
#include "catalogue/SeoKeyword.h"
#include "catalogue/SeoRows.h"
#include "operator/Error.h"
#include "operator/Operator.h"
#include "shopdb/ArrayQuery.h"
#include "shopdb/BulkWriter.h"
#include "shopdb/Query.h"
#include "shopdb/ShopConnection.h"
#include "shopdb/ShopDate.h"
#include "shopdb/StatementBatch.h"
#include "shopdb/TableKeys.h"
#include "workbook/Workbook.h"

namespace wwweksports {
namespace {

const QString kLanguages = QStringLiteral("SELECT language_id FROM language");
const QStringList kCatalogueTables = {
    "category", "category_to_store",   "category_description", "category_path",
    "product",  "product_description", "product_to_category",  "product_to_store"};
const QString kCategory = QStringLiteral(
    "INSERT INTO category (category_id, parent_id, top, status, sort_order) "
    "VALUES (:id, :parent_id, :top, 1, :sort_order)");
const QString kCategoryToStore =
    QStringLiteral("INSERT INTO category_to_store (category_id, store_id) VALUES (:id, 0)");
const QString kCategoryDescription = QStringLiteral(
    "INSERT INTO category_description (category_id, language_id, name) "
    "VALUES (:id, :LANGV_ID, :name)");
const QString kCategoryPath = QStringLiteral(
    "INSERT INTO category_path (category_id, path_id, level) VALUES (:id, :path_id, :level)");
const QString kProduct = QStringLiteral(
    "INSERT INTO product (product_id, status, price, model, quantity, stock_status_id, "
    "date_added, quantity_decimal, minimum) "
    "VALUES (:id, 1, :cena1, :artikuls, :quantity, 6, :date_added, :quantity_decimal, :minimum)");
const QString kProductToStore =
    QStringLiteral("INSERT INTO product_to_store (product_id, store_id) VALUES (:id, 0)");
const QString kProductDescription = QStringLiteral(
    "INSERT INTO product_description (product_id, language_id, name, description, meta_title, "
    "tag, meta_description, meta_keyword) "
    "VALUES (:id, :LANGV_ID, :GNOS, :apraksts, :GNOS2, :TAG, :meta_description, :meta_keyword)");
const QString kProductCategory = QStringLiteral(
    "INSERT INTO product_to_category (product_id, category_id) VALUES (:id, :GrupasID)");

const QString kGroupsSheet = QStringLiteral("GRUPAS");

// --- Reading -----------------------------------------------------------------------------------

// A row whose texts cannot reach the shop in one packet would stop the upload half-way: it is
// refused before the shop is touched, naming its longest text. `texts` are the row's texts by
// column; `sent()` gives the values of its longest row of the shop (a product's name twice),
// and the keyword made of `name` goes into its update as statement text.
template <typename Sent>
void CheckRowFits(const SheetRow& row, uint64_t maxPacket,
                  const std::vector<std::pair<QString, const QString*>>& texts, const Sent& sent,
                  const QString& name) {
    if (maxPacket == 0) return;
    // Most rows are far from the limit: a character takes at most three bytes, a row holds
    // each text at most twice, and escaping at most doubles it.
    qsizetype characters = 1;
    for (const auto& text : texts) characters += text.second->size();
    if (2 * 2 * 3 * static_cast<uint64_t>(characters) + 4096 < maxPacket / 2) return;
    if (RowFitsPacket(sent(), maxPacket) &&
        RowFitsPacket({TextValue(MakeSeoKeyword(name))}, maxPacket))
        return;
    const auto longest = std::max_element(texts.begin(), texts.end(), [](auto& a, auto& b) {
        return a.second->size() < b.second->size();
    });
    throw Error(Error::Category::Workbook,
                QStringLiteral("Rinda ir par garu veikala datu bāzei, kas vienā paketē pieņem ne "
                               "vairāk kā %1 baitus (max_allowed_packet): %2, vērtība \"%3...\" "
                               "(%4 rakstzīmes)")
                    .arg(maxPacket)
                    .arg(row.where(longest->first), longest->second->left(40))
                    .arg(longest->second->size()));
}

std::vector<GroupRow> ReadGroups(const Sheet& sheet, const GroupTree& tree, uint64_t maxPacket) {
    std::vector<GroupRow> groups;
    groups.reserve(static_cast<size_t>(sheet.rowCount()));
    IdRows ids;
    for (const SheetRow row : sheet) {
        GroupRow g;
        g.id = row.asInteger(QStringLiteral("ID"));
        ids.add(row, g.id);
        g.parentId = row.asInteger(QStringLiteral("PARENT_ID"));
        try {
            g.sortOrder = row.asInteger(QStringLiteral("KARTOSANAS"));
        } catch (const Error&) {
            // A sort order that cannot be read falls back to the count of top-level groups.
        }
        g.name = row.asText(QStringLiteral("NOSAUKUMS"));
        g.idText = row.asText(QStringLiteral("ID"));
        g.path = tree.pathOf(g.id);
        CheckRowFits(
            row, maxPacket, {{QStringLiteral("NOSAUKUMS"), &g.name}},
            [&g] {
                return std::vector<Value>{int64_t{g.id}, int64_t{0}, TextValue(g.name)};
            },
            g.name);
        groups.push_back(std::move(g));
    }
    return groups;
}

std::vector<ProductRow> ReadProducts(const Sheet& sheet, uint64_t maxPacket) {
    // Products that are not marked new are dated 01.01.1900.
    const QString notNew = FormatShopDate(ParseDayMonthYear(QStringLiteral("01.01.1900")));
    std::vector<ProductRow> products;
    products.reserve(static_cast<size_t>(sheet.rowCount()));
    IdRows ids;
    for (const SheetRow row : sheet) {
        ProductRow p;
        p.id = row.asInteger(QStringLiteral("ID"));
        ids.add(row, p.id);
        p.price = row.asText(QStringLiteral("SVITROTA_CENA")).isEmpty()
                      ? row.asFloat(QStringLiteral("CENA_AR_PVN"))
                      : row.asFloat(QStringLiteral("SVITROTA_CENA"));
        p.article = row.asText(QStringLiteral("ARTIKULS"));
        p.quantity = row.asFloat(QStringLiteral("ATLIKUMS"));
        p.dateAdded =
            row.asText(QStringLiteral("PAZIME_JAUNA_PRECE")) == QLatin1String("T")
                ? FormatShopDate(row.asDateTime(QStringLiteral("PRECES_DATUMS_NO")).date())
                : notNew;
        p.quantityDecimal = row.asInteger(QStringLiteral("SVERAMA_GABALA")) == 1 ? 1 : 0;
        p.minimum = row.asFloat(QStringLiteral("MIN_PAS_DAUDZ"));
        p.parentId = row.asInteger(QStringLiteral("PARENT_ID"));
        p.name = row.asText(QStringLiteral("NOSAUKUMS"));
        p.idText = row.asText(QStringLiteral("ID"));
        p.description = row.asText(QStringLiteral("PRECES_APRAKSTS"));
        p.metaDescription = row.asText(QStringLiteral("META_APR"));
        p.metaKeyword = row.asText(QStringLiteral("META_ATSLEGVARDI"));
        CheckRowFits(
            row, maxPacket,
            {{QStringLiteral("NOSAUKUMS"), &p.name},
             {QStringLiteral("ARTIKULS"), &p.article},
             {QStringLiteral("PRECES_APRAKSTS"), &p.description},
             {QStringLiteral("META_APR"), &p.metaDescription},
             {QStringLiteral("META_ATSLEGVARDI"), &p.metaKeyword}},
            [&p] {
                const Value name = TextValue(p.name);
                return std::vector<Value>{int64_t{p.id},
                                          int64_t{0},
                                          name,
                                          TextValue(p.description),
                                          name,
                                          TextValue(p.article + QLatin1Char('|')),
                                          TextValue(p.metaDescription),
                                          TextValue(p.metaKeyword)};
            },
            p.name);
        products.push_back(std::move(p));
    }
    return products;
}

// --- The reset ---------------------------------------------------------------------------------

// The old groups and products go with their descriptions, paths and links; their seo_url
// rows stay, so that what comes back under the same ID keeps one keyword row. The tables'
// keys are switched off in the same round trip (`keys`). Returns the shop's languages, read
// in it too.
std::vector<int64_t> DeleteOldCatalogue(ShopConnection& connection, Operator& op,
                                        std::optional<DisabledKeys>& keys) {
    op.setStatus(QStringLiteral("Dzēšu vecos ierakstus"), StatusRefresh::Repaint);
    StatementBatch batch(connection);
    batch.add(kLanguages);
    for (const QString& table : kCatalogueTables) {
        const QString statement = QStringLiteral("DELETE FROM ") + table;
        batch.add(statement);
    }
    std::vector<ResultRows> results;
    keys.emplace(connection, kCatalogueTables, batch, results);
    // A table the account may not alter stopped the round trip after the deletions.
    const ResultRows rows =
        results.empty() ? Query(connection, kLanguages).exec() : results.front();
    std::vector<int64_t> languages;
    for (int row = 0; row < rows.rowCount(); ++row)
        languages.push_back(rows.integer(row, QStringLiteral("language_id")));
    return languages;
}

// --- Groups ------------------------------------------------------------------------------------

// The seo_url_ids each query text finds in the shop.
std::vector<std::vector<FoundKeyword>> LookUpKeywords(ShopConnection& connection,
                                                      const std::vector<GroupRow>& groups) {
    std::vector<std::vector<FoundKeyword>> found;
    found.reserve(groups.size());
    CatalogueLookups lookups(connection);
    for (size_t i = 0; i < groups.size(); ++i) {
        lookups.addSeo(QStringLiteral("category_id=") + groups[i].idText);
        if (lookups.full() || i + 1 == groups.size()) {
            for (auto& rows : lookups.run().seo) found.push_back(std::move(rows));
        }
    }
    return found;
}

// The refusal of one of the two inserts whose failure is shown and does not end the upload.
void ShowInsertError(const QString& table, const Error& e, Operator& op) {
    op.showMessage(QStringLiteral("Kļūda ievietojot tabulā ") + table + QStringLiteral("\n ") +
                   e.message());
}

// Runs one of those two inserts.
bool ExecuteShown(ArrayQuery& query, int rows, const QString& table, Operator& op) {
    try {
        query.execute(rows);
        return true;
    } catch (const Error& e) {
        if (e.linkLost()) throw;  // the upload runs again on a new session
        ShowInsertError(table, e, op);
        return false;
    }
}

// Each group: a category, a store link, its path rows, a description per language and a
// queued seo_url row. Returns false when an execution showed its error.
bool UploadCategories(ShopConnection& connection, SeoQueues& seo,
                      const std::vector<GroupRow>& groups, const std::vector<int64_t>& languages,
                      Operator& op) {
    op.setStatus(QStringLiteral("Sūtu preču grupas"), StatusRefresh::RepaintAndProcessEvents);
    const std::vector<std::vector<FoundKeyword>> keywordRows = LookUpKeywords(connection, groups);

    const int n = static_cast<int>(groups.size());
    int pathRows = 0;
    for (const GroupRow& g : groups) pathRows += static_cast<int>(g.path.size());
    ArrayQuery category(connection, kCategory);
    ArrayQuery categoryPath(connection, kCategoryPath);
    ArrayQuery categoryToStore(connection, kCategoryToStore);
    ArrayQuery categoryDescription(connection, kCategoryDescription);
    category.setArraySize(n);
    categoryPath.setArraySize(pathRows);
    categoryToStore.setArraySize(n);
    categoryDescription.setArraySize(n * static_cast<int>(languages.size()));

    int topLevel = 0;
    int path = 0;
    int description = 0;
    for (int i = 0; i < n; ++i) {
        const GroupRow& g = groups[static_cast<size_t>(i)];
        const int64_t id = g.id;
        const bool top = g.parentId <= 0;
        if (top) ++topLevel;
        category.setValue(QStringLiteral("id"), i, id);
        category.setValue(QStringLiteral("parent_id"), i, int64_t{top ? 0 : g.parentId});
        category.setValue(QStringLiteral("top"), i, int64_t{top ? 1 : 0});
        category.setValue(QStringLiteral("sort_order"), i, int64_t{g.sortOrder.value_or(topLevel)});
        for (size_t level = 0; level < g.path.size(); ++level, ++path) {
            categoryPath.setValue(QStringLiteral("id"), path, id);
            categoryPath.setValue(QStringLiteral("path_id"), path, int64_t{g.path[level]});
            categoryPath.setValue(QStringLiteral("level"), path, static_cast<int64_t>(level));
        }
        categoryToStore.setValue(QStringLiteral("id"), i, id);
        for (int64_t language : languages) {
            categoryDescription.setValue(QStringLiteral("id"), description, id);
            categoryDescription.setValue(QStringLiteral("LANGV_ID"), description, language);
            categoryDescription.setValue(QStringLiteral("name"), description, TextValue(g.name));
            ++description;
        }
        AddSeoRow(seo, QStringLiteral("category_id=") + g.idText, MakeSeoKeyword(g.name),
                  keywordRows[static_cast<size_t>(i)]);
    }

    if (n < 1) return true;
    // The four go in one round trip. The server stops at a refused statement: a refused
    // category is shown and the rest goes on, as a refused description is shown; a refused
    // path or store link ends the upload.
    enum Part { Categories = 1, Paths, Stores, Descriptions };
    int part = 0;  // that of the statements run last
    BulkWriter writer(connection, [&part](int mark) { part = mark; });
    writer.setMark(Categories);
    category.write(writer, n);
    writer.setMark(Paths);
    categoryPath.write(writer, path);
    writer.setMark(Stores);
    categoryToStore.write(writer, n);
    writer.setMark(Descriptions);
    categoryDescription.write(writer, description);
    try {
        writer.send();
        return true;
    } catch (const Error& e) {
        if (e.linkLost() || part == Paths || part == Stores) throw;
        ShowInsertError(part == Categories ? QStringLiteral("category")
                                           : QStringLiteral("category_description"),
                        e, op);
    }
    if (part == Categories) {
        categoryPath.execute(path);
        categoryToStore.execute(n);
        ExecuteShown(categoryDescription, description, QStringLiteral("category_description"), op);
    }
    return false;
}

// --- Products ----------------------------------------------------------------------------------

// A link sent in a stretch: its workbook row, and whether it is product 0's link sent before
// (refused whatever the shop holds).
struct SentLink {
    int row;
    bool repeated;
};

// A statement of links, its first row `firstRow`, was refused. On a table without
// transactions the rows before the refused one are in; with them, none of the statement's.
// The rows from the first one missing go again one statement each, in order: those before
// the refused row are written, and the refusal is raised naming that single statement, with
// the texts shown up to its row.
void RefusedLinks(ShopConnection& connection, const std::vector<ProductRow>& products,
                  const std::vector<SentLink>& sent, int firstRow,
                  const std::function<void(int)>& showUpTo) {
    size_t from = 0;
    while (from < sent.size() && sent[from].row < firstRow) ++from;
    const auto pairOf = [&](size_t k) {
        const ProductRow& p = products[static_cast<size_t>(sent[k].row)];
        return std::pair<int32_t, int32_t>{p.id, p.parentId};
    };
    // A stretch's links at most: one look-up.
    CatalogueLookups lookups(connection);
    for (size_t k = from; k < sent.size(); ++k) lookups.addLink(pairOf(k).first, pairOf(k).second);
    const std::vector<bool> present = lookups.run().links;
    size_t missing = from;
    while (missing < sent.size() && !sent[missing].repeated && present[missing - from]) ++missing;

    Query link(connection, kProductCategory);
    StatementBatch replay(connection);
    for (size_t k = missing; k < sent.size(); ++k) {
        link.setParam(QStringLiteral("id"), int64_t{pairOf(k).first});
        link.setParam(QStringLiteral("GrupasID"), int64_t{pairOf(k).second});
        replay.add(link);
    }
    try {
        replay.execute();
    } catch (const Error& refused) {
        if (refused.linkLost()) throw;
        showUpTo(sent[missing + replay.completed()].row);
        throw refused;
    }
}

// The links of the products to their groups, a stretch of rows at a time: the stretch's link
// and keyword lookups go in one round trip, then the links the shop lacks, in row order. A
// link written for an earlier row is found by the later rows, as the shop would answer them
// one by one. "Sūtu preces i/N" stands before row i's lookups: a stretch shows its first
// row's text before its lookups go out and the others as its links go in; when a link
// fails, those up to its row. Returns the seo_url_ids each product's query text found.
std::vector<std::vector<FoundKeyword>> LinkProducts(ShopConnection& connection,
                                                    const std::vector<ProductRow>& products,
                                                    Operator& op) {
    const int n = static_cast<int>(products.size());
    int shown = -1;
    const auto showUpTo = [&](int row) {
        for (; shown < row;) {
            const int i = ++shown;
            if (i % 10 == 0 || i == n - 1)
                op.setStatus(QStringLiteral("Sūtu preces %1/%2").arg(i).arg(n),
                             StatusRefresh::RepaintAndProcessEvents);
        }
    };
    std::set<std::pair<int32_t, int32_t>> linked;
    std::set<int32_t> zeroLinked;  // the groups product 0 was linked to
    std::vector<std::vector<FoundKeyword>> keywordRows;
    keywordRows.reserve(products.size());
    CatalogueLookups lookups(connection);
    for (int start = 0; start < n;) {
        showUpTo(start);
        int end = start;
        for (; end < n && !lookups.full(); ++end) {
            const ProductRow& p = products[static_cast<size_t>(end)];
            lookups.addLink(p.id, p.parentId);
            lookups.addSeo(QStringLiteral("product_id=") + p.idText);
        }
        CatalogueLookups::Answers answers = lookups.run();
        for (auto& rows : answers.seo) keywordRows.push_back(std::move(rows));

        // Each statement's mark is its first row.
        BulkWriter writer(connection, showUpTo);
        InsertRows links(writer, kProductCategory);
        std::vector<SentLink> sent;
        links.setRecover([&](const Error&, int firstRow) {
            RefusedLinks(connection, products, sent, firstRow, showUpTo);
        });
        for (int i = start; i < end; ++i) {
            const ProductRow& p = products[static_cast<size_t>(i)];
            const std::pair<int32_t, int32_t> pair{p.id, p.parentId};
            // A link read back with product_id 0 counts as missing, as does product 0's link.
            if ((answers.links[static_cast<size_t>(i - start)] && p.id != 0) ||
                linked.count(pair) != 0)
                continue;
            // Product 0's link goes again each time and is refused from the second time on:
            // such a row starts a statement of its own, so that the rows before it are
            // written whatever the table's engine.
            const bool repeated = p.id == 0 && !zeroLinked.insert(p.parentId).second;
            if (repeated) links.end();
            if (p.id != 0) linked.insert(pair);
            sent.push_back({i, repeated});
            writer.setMark(i);
            links.add(int64_t{p.id}, int64_t{p.parentId});
        }
        links.end();
        writer.send();
        showUpTo(end - 1);
        start = end;
    }
    return keywordRows;
}

const QString kDescriptionTable = QStringLiteral("product_description");

// The descriptions' own session and thread, beside the upload's. The thread logs in while the old
// catalogue goes; once the tables' keys are off (and the caller's room is let go) it fills
// product_description while the groups, links and products go over the upload's session, and the
// table's keys are rebuilt on it while the keywords are written. The shop ends as if the
// descriptions came after the products: their texts follow the products'; when the upload fails
// before the products are in, the descriptions written are taken back (this run emptied the table);
// and a refused description is raised once the products are in.
class DescriptionLane {
public:
    // The descriptions begin once `waitForRoom`, when given, returns.
    DescriptionLane(ShopConnection& connection, const std::vector<ProductRow>& products,
                    std::function<void()> waitForRoom)
        : connection_(connection), products_(products), waitForRoom_(std::move(waitForRoom)) {
        session_.followParams(connection);
        session_.setWaitHook({});  // the hook belongs to the caller's thread
        thread_ = std::thread([this] { run(); });
    }
    ~DescriptionLane() { stop(); }
    DescriptionLane(const DescriptionLane&) = delete;
    DescriptionLane& operator=(const DescriptionLane&) = delete;

    // The descriptions go in, one row per product and language.
    void start(const std::vector<int64_t>& languages) {
        const std::lock_guard<std::mutex> lock(mutex_);
        languages_ = languages;
        rows_ = static_cast<int>(products_.size() * languages.size());
        go_ = true;
        changed_.notify_all();
    }

    // Stops the writing, waiting for what is under way; returns whether any description may
    // have been written.
    bool stop() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
            changed_.notify_all();
        }
        if (thread_.joinable()) thread_.join();
        return writing_;
    }

    // The products are in: waits for the descriptions, showing their texts as their chunks
    // go in, and raises the error that ended them. When the lane could not log in, they go
    // in here over the upload's session.
    void finish(Operator& op) {
        BatchTexts texts(op, rows_, QStringLiteral("Ievietoju ProductDescription tabulā: "));
        std::unique_lock<std::mutex> lock(mutex_);
        while (true) {
            const bool done = done_;
            const int reached = reached_;
            lock.unlock();
            texts.showUpTo(reached);
            if (done) break;
            connection_.runWaitHook();
            lock.lock();
            changed_.wait_for(lock, std::chrono::milliseconds(40),
                              [&] { return done_ || reached_ != reached; });
        }
        if (thread_.joinable()) thread_.join();
        session_.followParams(connection_);
        if (!writing_) {
            write(connection_, [&texts](int batch) { texts.showUpTo(batch); });
        } else if (error_) {
            std::rethrow_exception(error_);
        }
        texts.showUpTo(texts.batches());
    }

    // Queues the statement that switches the table's keys on over the lane's session, where
    // the descriptions went; keysEnabled() waits for it. False when they went over the
    // upload's.
    bool enableKeys() {
        if (!writing_) return false;
        keys_.emplace(session_);
        const QString enable = QStringLiteral("ALTER TABLE product_description ENABLE KEYS");
        keys_->add(enable.toStdString(), enable);
        keys_->sendQueued();
        return true;
    }
    void keysEnabled() {
        if (keys_) keys_->send();
    }

private:
    void run() {
        try {
            session_.open();
        } catch (const Error&) {
            // Without a second session the descriptions wait for finish().
            ready();
            return;
        }
        try {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [this] { return go_ || stop_; });
                if (stop_) return;
            }
            if (waitForRoom_) waitForRoom_();
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (stop_) return;
                writing_ = true;
            }
            write(session_, [this](int batch) {
                const std::lock_guard<std::mutex> lock(mutex_);
                reached_ = std::max(reached_, batch);
                changed_.notify_all();
            });
        } catch (...) {
            error_ = std::current_exception();
        }
        ready();
    }
    void ready() {
        const std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
        changed_.notify_all();
    }

    // Writes the descriptions over `session`, chunk by chunk, telling `reached` the chunks'
    // progress; on the lane's thread it stops between chunks once told to.
    void write(ShopConnection& session, const std::function<void(int)>& reached) {
        BulkWriter writer(session, reached);
        const int perProduct = static_cast<int>(languages_.size());
        const int batches = (rows_ + BatchSize - 1) / BatchSize;
        for (int batch = 1; batch <= batches; ++batch) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (stop_) return;
            }
            writer.setMark(batch);
            InsertRows description(writer, kProductDescription);
            const int end = std::min(batch * BatchSize, rows_);
            for (int row = (batch - 1) * BatchSize; row < end; ++row) {
                const ProductRow& p = products_[static_cast<size_t>(row / perProduct)];
                description.add(int64_t{p.id}, languages_[static_cast<size_t>(row % perProduct)],
                                p.name, p.description, p.name, p.article + QLatin1Char('|'),
                                p.metaDescription, p.metaKeyword);
            }
            description.end();
        }
        writer.send();
    }

    ShopConnection& connection_;
    const std::vector<ProductRow>& products_;
    std::function<void()> waitForRoom_;
    ShopConnection session_;
    std::optional<BulkWriter> keys_;
    std::vector<int64_t> languages_;
    int rows_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool go_ = false;
    bool stop_ = false;
    bool done_ = false;
    int reached_ = 0;           // the last chunk the lane's writer told
    bool writing_ = false;      // the lane logged in and began writing
    std::exception_ptr error_;  // the lane's, read once its thread has ended
    std::thread thread_;        // declared last: it uses the members above
};

// The products with their store links go over the upload's session while the lane fills
// product_description (see DescriptionLane). The other tables' keys are rebuilt while the
// last descriptions go in, and the descriptions' own while the keywords are written (see
// FinishDescriptions). The products' seo_url rows are queued.
void WriteProducts(ShopConnection& connection, SeoQueues& seo,
                   const std::vector<ProductRow>& products,
                   const std::vector<std::vector<FoundKeyword>>& keywordRows, Operator& op) {
    const int n = static_cast<int>(products.size());
    BatchTexts productTexts(op, n, QStringLiteral("Ievietoju Product tabulā: "));
    BulkWriter productWriter(connection, [&](int batch) { productTexts.showUpTo(batch); });
    for (int batch = 1; batch <= productTexts.batches(); ++batch) {
        productWriter.setMark(batch);
        InsertRows product(productWriter, kProduct);
        InsertRows store(productWriter, kProductToStore);
        const int end = std::min(batch * BatchSize, n);
        for (int i = (batch - 1) * BatchSize; i < end; ++i) {
            const ProductRow& p = products[static_cast<size_t>(i)];
            product.add(int64_t{p.id}, p.price, p.article, p.quantity, p.dateAdded,
                        p.quantityDecimal, p.minimum);
        }
        product.end();
        for (int i = (batch - 1) * BatchSize; i < end; ++i)
            store.add(int64_t{products[static_cast<size_t>(i)].id});
        store.end();
    }
    // The products go in while their keywords are queued.
    productWriter.sendQueued();
    for (int i = 0; i < n; ++i) {
        const ProductRow& p = products[static_cast<size_t>(i)];
        AddSeoRow(seo, QStringLiteral("product_id=") + p.idText, MakeSeoKeyword(p.name),
                  keywordRows[static_cast<size_t>(i)]);
    }
    productWriter.send();
    productTexts.showUpTo(productTexts.batches());
}

// The descriptions' keys are on again once the lane's rebuild is answered. Whatever way the
// catalogue's writing ends, the keys the lane did not switch on are switched on over the
// upload's session (DisabledKeys).
void FinishDescriptions(DescriptionLane& lane, DisabledKeys& keys) {
    lane.keysEnabled();
    keys.forget(kDescriptionTable);
}

// Every queued seo_url row: new ones first, then the keyword updates.
void WriteKeywords(ShopConnection& connection, SeoQueues& seo, Operator& op) {
    op.setStatus(QStringLiteral("Ievietoju SEO..."), StatusRefresh::RepaintAndProcessEvents);
    if (seo.insertCount > 0) {
        // Rebuilt once after the new rows; the updates find their rows by seo_url_id and
        // change few keywords on most days, so they keep the keys on.
        DisabledKeys keys(connection, {QStringLiteral("seo_url")});
        ExecuteInBatches(
            connection, seo.insertCount, QStringLiteral("Ievietoju SEO tabulā: "), op,
            [&seo](BulkWriter& writer, int start, int end) {
                seo.fdSeoInsert.write(writer, end, start);
            },
            [&keys](BulkWriter& writer) { keys.enableIn(writer); });
        keys.enabled();
    }
    ExecuteInBatches(connection, seo.updateCount, QStringLiteral("Apdeitoju SEO tabulā: "), op,
                     [&seo](BulkWriter& writer, int start, int end) {
                         seo.fdSeoUpdate.write(writer, seo.updateRows[static_cast<size_t>(start)],
                                               seo.updateRows[static_cast<size_t>(end)]);
                     });
}

}  // namespace

Catalogue ReadCatalogue(const QString& workbookPath, uint64_t maxPacket) {
    const Workbook groupsWorkbook = Workbook::Open(workbookPath, kGroupsWorkbook);
    const Sheet groups = groupsWorkbook.firstSheet();
    // The paths are walked only for the groups read: without group rows the groups workbook
    // needs no GRUPAS worksheet.
    GroupTree tree;
    if (groups.rowCount() > 0) tree = GroupTree::Read(groupsWorkbook.sheet(kGroupsSheet));
    Catalogue catalogue;
    catalogue.groups = ReadGroups(groups, tree, maxPacket);
    catalogue.products =
        ReadProducts(Workbook::Open(workbookPath, kProductsWorkbook).firstSheet(), maxPacket);
    return catalogue;
}

Outcome WriteCatalogue(ShopConnection& connection, const Catalogue& catalogue, Operator& op,
                       const std::function<void()>& waitForRoom) {
    // The descriptions' session logs in while the old catalogue is deleted.
    DescriptionLane lane(connection, catalogue.products, waitForRoom);
    std::optional<DisabledKeys> disabled;
    const std::vector<int64_t> languages = DeleteOldCatalogue(connection, op, disabled);
    DisabledKeys& keys = *disabled;
    lane.start(languages);
    SeoQueues seo(connection);
    const int keywords = static_cast<int>(catalogue.groups.size() + catalogue.products.size());
    seo.fdSeoInsert.setArraySize(keywords);
    bool noneShown = true;
    try {
        noneShown = UploadCategories(connection, seo, catalogue.groups, languages, op);
        if (waitForRoom) waitForRoom();
        const std::vector<std::vector<FoundKeyword>> keywordRows =
            LinkProducts(connection, catalogue.products, op);
        op.setStatus(QStringLiteral("Ievietoju preču datus tabulās..."),
                     StatusRefresh::RepaintAndProcessEvents);
        WriteProducts(connection, seo, catalogue.products, keywordRows, op);
    } catch (const Error& e) {
        // The upload ends before the descriptions' turn: those written are taken back.
        if (lane.stop() && !e.linkLost())
            Query(connection, QStringLiteral("DELETE FROM product_description")).exec();
        throw;
    }
    keys.enable({kDescriptionTable});
    lane.finish(op);
    if (keys.holds(kDescriptionTable) && !lane.enableKeys()) keys.enable();
    WriteKeywords(connection, seo, op);
    FinishDescriptions(lane, keys);
    return noneShown ? Outcome::Done : Outcome::ShownErrors;
}

}  // namespace wwweksports
