#include "orv/Query.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace orv {

namespace {

QStringList ParamsOf(const QString& sql) {
    // ":NAME" not preceded by another ':' (PostgreSQL casts use "::").
    static const QRegularExpression re(QStringLiteral("(?<!:):([A-Za-z_][A-Za-z0-9_]*)"));
    QStringList names;
    auto it = re.globalMatch(sql);
    while (it.hasNext()) {
        const QString name = it.next().captured(1).toUpper();
        if (!names.contains(name)) names << name;
    }
    return names;
}

FieldType TypeOf(const QSqlField& field) {
    switch (field.metaType().id()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::UShort:
        return FieldType::Float;
    case QMetaType::QDate: case QMetaType::QDateTime:
        return FieldType::DateTime;
    default:
        return FieldType::String;
    }
}

}  // namespace

struct TADOIBQuery::Prepared {
    const QSqlDriver* driver = nullptr;
    QString sql;
    QStringList params;
    std::unique_ptr<QSqlQuery> query;
};

TADOIBQuery::TADOIBQuery(QString name) : TDataSet(std::move(name)) { SetReadOnly(true); }

TADOIBQuery::~TADOIBQuery() = default;

QString TADOIBQuery::ActiveSQL(DbEngine engine) const {
    const QStringList& own = engine == DbEngine::PostgreSQL ? SQL_PG : SQL_SQLITE;
    const QStringList& text = !own.isEmpty() ? own : !SQL.isEmpty() ? SQL : SQL_ORACLE;
    return text.join(QLatin1Char('\n'));
}

TADOIBQuery::Param& TADOIBQuery::ParamByName(const QString& name) {
    const QString key = name.toUpper();
    auto it = params_.find(key);
    if (it != params_.end()) return it->second;
    if (!SQLParamNames().contains(key))
        throw EDatabaseError(QStringLiteral("%1: parâmetro '%2' não encontrado.").arg(Name(), name).toStdString());
    return params_.emplace(key, Param(key)).first->second;
}

QStringList TADOIBQuery::SQLParamNames() const {
    QStringList known;
    for (const QStringList* text : {&SQL, &SQL_ORACLE, &SQL_SQLITE, &SQL_PG, &SQL_IB, &SQL_MSSQL})
        for (const QString& name : ParamsOf(text->join(QLatin1Char('\n'))))
            if (!known.contains(name)) known << name;
    return known;
}

QStringList TADOIBQuery::ParamNames() const {
    QStringList names;
    for (const auto& [key, param] : params_) names << key;
    return names;
}

QSqlDatabase TADOIBQuery::Connection() const {
    return connection_.isEmpty() ? SharedConnection() : QSqlDatabase::database(connection_, false);
}

void TADOIBQuery::Open() { LoadRows(Fetch()); }

void TADOIBQuery::OpenRemembered() {
    QSqlDatabase db = Connection();
    QStringList key{db.connectionName(), ActiveSQL(EngineOf(db))};
    for (const auto& [name, param] : params_) key << name << param.AsString();
    if (const auto it = remembered_.find(key); it != remembered_.end()) {
        LoadRows(it->second);
        return;
    }
    std::vector<std::vector<QVariant>> rows = Fetch();
    remembered_[key] = rows;
    LoadRows(std::move(rows));
}

std::vector<std::vector<QVariant>> TADOIBQuery::Fetch() {
    QSqlDatabase db = Connection();
    if (!db.isValid() || !db.isOpen())
        throw EDatabaseError(QStringLiteral("%1: sem conexão com o banco de dados.").arg(Name()).toStdString());
    const QString sql = ActiveSQL(EngineOf(db));
    // Prepared again only for another text or connection (a connection opened anew has another
    // driver, and its old statements are gone with the old one).
    auto prepare = [&] {
        prepared_.reset();
        auto p = std::make_unique<Prepared>();
        p->query = std::make_unique<QSqlQuery>(db);
        p->query->setForwardOnly(true);
        if (!p->query->prepare(sql))
            throw EDatabaseError(QStringLiteral("%1: %2").arg(Name(), p->query->lastError().text()).toStdString());
        p->driver = db.driver();
        p->sql = sql;
        p->params = ParamsOf(sql);
        prepared_ = std::move(p);
    };
    auto exec = [&] {
        QSqlQuery& q = *prepared_->query;
        for (const QString& name : prepared_->params) {
            const auto it = params_.find(name);
            // Parameters are always strings, and an unset one is an empty string, never NULL.
            const QString value = it == params_.end() ? QString() : it->second.AsString();
            q.bindValue(QLatin1Char(':') + name, value.isNull() ? QString(QLatin1String("")) : value);
        }
        return q.exec();
    };
    const bool reused = prepared_ && prepared_->driver == db.driver() && prepared_->sql == sql;
    if (!reused) prepare();
    // A kept statement may have died with its connection closed and opened again: once anew.
    if (!exec() && (!reused || (prepare(), !exec()))) {
        const QString error = prepared_->query->lastError().text();
        prepared_.reset();
        throw EDatabaseError(QStringLiteral("%1: %2").arg(Name(), error).toStdString());
    }
    QSqlQuery& q = *prepared_->query;
    // A failure while reading drops the statement rather than leave it half read (on SQLite an
    // unfinished read keeps its snapshot).
    try {
        const QSqlRecord rec = q.record();
        std::vector<int> target;  // result column -> field index
        if (HasDeclaredFields()) {
            for (int c = 0; c < rec.count(); ++c) {
                TField* f = FindField(rec.fieldName(c));
                target.push_back(f ? f->Index() : -1);
            }
        } else {
            std::vector<FieldDef> defs;
            for (int c = 0; c < rec.count(); ++c) {
                const QSqlField sf = rec.field(c);
                FieldDef def;
                def.name = sf.name().toUpper();
                def.type = TypeOf(sf);
                def.size = sf.length() > 0 ? sf.length() : 1024;
                defs.push_back(def);
                target.push_back(c);
            }
            SetDynamicFields(defs);
        }
        std::vector<std::vector<QVariant>> rows;
        while (q.next()) {
            std::vector<QVariant> row(static_cast<size_t>(FieldCount()));
            for (int c = 0; c < rec.count(); ++c) {
                if (target[static_cast<size_t>(c)] < 0) continue;
                const QVariant v = q.value(c);
                if (v.isNull()) continue;
                row[static_cast<size_t>(target[static_cast<size_t>(c)])] = Fields(target[static_cast<size_t>(c)]).Coerce(v);
            }
            rows.push_back(std::move(row));
        }
        q.finish();
        return rows;
    } catch (...) {
        prepared_.reset();
        throw;
    }
}

}  // namespace orv
