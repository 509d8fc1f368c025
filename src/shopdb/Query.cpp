#include "shopdb/Query.h"

#include "operator/Error.h"
#include "shopdb/Bindings.h"
#include "shopdb/Session.h"
#include "shopdb/SqlText.h"

namespace wwweksports {

struct Query::Impl {
    ShopConnection* connection;
    QString text;
    SqlText sql;
    std::vector<Value> values;  // one per placeholder
    PreparedStatement prepared;
    Bindings bindings;
};

Query::Query(ShopConnection& connection, const QString& text)
    : d_(new Impl{&connection, text, ParseSqlText(text), {}, {}, {}}) {
    d_->values.assign(static_cast<size_t>(d_->sql.paramNames.size()), Value());
}

Query::~Query() = default;

const QString& Query::text() const { return d_->text; }
const SqlText& Query::sqlText() const { return d_->sql; }
const std::vector<Value>& Query::placeholderValues() const { return d_->values; }

void Query::setParam(const QString& name, const Value& value) {
    bool found = false;
    for (int i = 0; i < d_->sql.paramNames.size(); ++i) {
        if (d_->sql.paramNames[i].compare(name, Qt::CaseInsensitive) == 0) {
            d_->values[static_cast<size_t>(i)] = value;
            found = true;
        }
    }
    if (!found) {
        throw Error(
            Error::Category::Database,
            QStringLiteral("Vaicājumā nav parametra \"%1\": %2").arg(name, d_->text.simplified()));
    }
}

ResultRows Query::exec() {
    ShopConnection::Session& session = d_->connection->session();
    if (d_->values.empty()) return session.run(d_->sql.positional, {d_->text}).front();
    MYSQL_STMT* stmt = d_->prepared.get(session, d_->text, [this] { return d_->sql.positional; });
    d_->bindings.resize(d_->values.size());
    for (size_t i = 0; i < d_->values.size(); ++i) d_->bindings.set(i, d_->values[i]);
    return session.execute(stmt, d_->bindings.data(), d_->text);
}

}  // namespace wwweksports
