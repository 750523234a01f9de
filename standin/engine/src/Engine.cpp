// Engine API: databases, sessions, batches, scripts and persistence.
#include "standin/Engine.h"

#include "EngineImpl.h"
#include "Errors.h"
#include "Executor.h"
#include "Parser.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

namespace standin {

namespace {

const QByteArray kMagic("SQL-STANDIN-DATABASE");
// 2: modules (triggers, procedures, functions) follow the extended properties.
// 3: unique indexes are told from unique constraints; checks keep their column and whether they are on.
// 4: filtered indexes keep their condition; plain indexes and INCLUDE columns; foreign keys keep their
//    columns, referenced table and referential actions; constraints whether they are trusted; triggers
//    whether they are disabled.
// 5: the direction (ASC/DESC) of every key column of keys and indexes.
const quint32 kFormatVersion = 5;
const QString kExtension = QStringLiteral(".sdb");

bool validDatabaseName(const QString& name)
{
    if (name.trimmed().isEmpty() || name.size() > 128)
        return false;
    for (QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 32)
            return false;
    return name != QLatin1String(".") && name != QLatin1String("..");
}

}  // namespace

// --- batches ---------------------------------------------------------------------------------

BatchResult EngineImpl::execute(SessionImpl& session, const QString& batch)
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    std::vector<StmtPtr> statements;
    try {
        statements = parseBatch(batch);
    } catch (const SqlError& e) {
        BatchResult out;
        StatementResult r;
        r.failed = true;
        r.messages.push_back(e.message);
        out.statements.push_back(std::move(r));
        out.aborted = true;
        session.lastError = e.message.number;
        return out;
    }
    Executor executor(*this, session);
    return executor.run(statements);
}

std::vector<QString> splitBatches(const QString& script)
{
    std::vector<QString> batches;
    static const QRegularExpression go(QStringLiteral("^\\s*GO\\s*;?\\s*$"), QRegularExpression::CaseInsensitiveOption);
    QString current;
    const QStringList lines = script.split(QLatin1Char('\n'));
    for (const QString& rawLine : lines) {
        QString line = rawLine;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (go.match(line).hasMatch()) {
            if (!current.trimmed().isEmpty())
                batches.push_back(current);
            current.clear();
            continue;
        }
        current += rawLine;
        current += QLatin1Char('\n');
    }
    if (!current.trimmed().isEmpty())
        batches.push_back(current);
    return batches;
}

// --- Engine ----------------------------------------------------------------------------------

Engine::Engine() : d(std::make_unique<EngineImpl>()) {}
Engine::~Engine() = default;

bool Engine::createDatabase(const QString& name, QString* error)
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    if (!validDatabaseName(name)) {
        if (error)
            *error = QStringLiteral("Invalid database name '%1'.").arg(name);
        return false;
    }
    if (d->findDatabase(name)) {
        if (error)
            *error = QStringLiteral("Database '%1' already exists. Choose a different database name.").arg(name);
        return false;
    }
    auto db = std::make_shared<Database>();
    db->name = name;
    d->databases[collationKey(name)] = db;
    return true;
}

void Engine::setStepBudget(int64_t steps)
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    d->stepBudget = qMax<int64_t>(0, steps);
}

void Engine::setDelayLimit(int64_t milliseconds)
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    d->delayLimitMs = milliseconds < 0 ? -1 : milliseconds;
}

bool Engine::hasDatabase(const QString& name) const
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    return d->findDatabase(name) != nullptr;
}

QStringList Engine::databaseNames() const
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    QStringList names;
    for (const auto& [k, db] : d->databases)
        names << db->name;
    return names;
}

std::unique_ptr<Session> Engine::openSession(const QString& login, const QString& hostName, const QString& database,
                                             ServerMessage* error)
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    auto db = d->findDatabase(database);
    if (!db) {
        if (error) {
            error->number = 4060;
            error->severity = 11;
            error->state = 1;
            error->text = QStringLiteral("Cannot open database \"%1\" requested by the login. The login failed.").arg(database);
        }
        return nullptr;
    }
    auto s = std::make_unique<SessionImpl>();
    s->login = login;
    s->hostName = hostName;
    s->database = db->name;
    s->spid = d->nextSpid++;
    s->temp = d->temp;
    return s;
}

BatchResult Engine::execute(Session& session, const QString& batch)
{
    return d->execute(static_cast<SessionImpl&>(session), batch);
}

BatchResult Engine::executeScript(Session& session, const QString& script)
{
    BatchResult all;
    for (const QString& batch : splitBatches(script)) {
        BatchResult r = execute(session, batch);
        bool failed = r.aborted;
        for (const auto& s : r.statements)
            failed |= s.failed;
        if (failed)
            return r;
        all.changedData |= r.changedData;
        for (auto& s : r.statements)
            all.statements.push_back(std::move(s));
    }
    return all;
}

// --- persistence -----------------------------------------------------------------------------

namespace {

QByteArray serializeDatabase(const Database& db)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << db.name << qint32(db.nextObjectId) << quint32(db.tables.size());
    for (const auto& [k, t] : db.tables) {
        out << t->name << t->schema << qint32(t->objectId) << t->created << t->modified << qint64(t->identityLast)
            << t->identityUsed;
        out << quint32(t->columns.size());
        for (const Column& c : t->columns) {
            out << c.name;
            writeType(out, c.type);
            out << c.nullable << c.identity << qint64(c.seed) << qint64(c.increment) << c.rowGuid << c.defaultText
                << c.defaultName << qint32(c.defaultObjectId);
        }
        out << quint32(t->keys.size());
        for (const KeyConstraint& k : t->keys)
            out << k.name << qint32(k.objectId) << k.primary << k.clustered << k.columns << k.index << k.included
                << k.filterText << k.descending;
        out << quint32(t->plainIndexes.size());
        for (const KeyConstraint& k : t->plainIndexes)
            out << k.name << k.clustered << k.columns << k.included << k.filterText << k.descending;
        out << quint32(t->others.size());
        for (const OtherConstraint& o : t->others)
            out << o.name << qint32(o.objectId) << quint8(o.kind) << o.text << o.column << o.enabled << o.columns
                << o.refTable << o.refColumns << qint32(o.onDelete) << qint32(o.onUpdate) << o.trusted;
        out << quint64(t->rows.size());
        for (const auto& row : t->rows)
            for (const Value& v : *row)
                writeValue(out, v);
    }
    out << quint32(db.properties.size());
    for (const ExtendedProperty& p : db.properties) {
        out << p.name << p.level0 << p.table << p.column;
        writeValue(out, p.value);
    }
    out << quint32(db.modules.size());
    for (const auto& [k, m] : db.modules)
        out << quint8(m->kind) << m->name << m->schema << qint32(m->objectId) << m->created << m->modified << m->definition
            << m->disabled;
    QByteArray file;
    QDataStream f(&file, QIODevice::WriteOnly);
    f.setVersion(QDataStream::Qt_6_4);
    f << kMagic << kFormatVersion << payload << QCryptographicHash::hash(payload, QCryptographicHash::Sha256);
    return file;
}

struct Damaged {
    QString reason;
};

void check(QDataStream& in, const char* what)
{
    if (in.status() != QDataStream::Ok)
        throw Damaged{QStringLiteral("truncated or unreadable %1").arg(QLatin1String(what))};
}

void checkCount(quint64 count, quint64 limit, const char* what)
{
    if (count > limit)
        throw Damaged{QStringLiteral("implausible %1 count %2").arg(QLatin1String(what)).arg(count)};
}

std::shared_ptr<Database> deserializeDatabase(const QByteArray& file)
{
    QDataStream f(file);
    f.setVersion(QDataStream::Qt_6_4);
    QByteArray magic, payload, digest;
    quint32 version = 0;
    f >> magic;
    if (f.status() != QDataStream::Ok || magic != kMagic)
        throw Damaged{QStringLiteral("not a database file")};
    f >> version;
    if (version != kFormatVersion && version != 4 && version != 3 && version != 2)
        throw Damaged{QStringLiteral("unknown format version %1").arg(version)};
    f >> payload >> digest;
    check(f, "file");
    if (digest != QCryptographicHash::hash(payload, QCryptographicHash::Sha256))
        throw Damaged{QStringLiteral("checksum mismatch")};
    QDataStream in(payload);
    in.setVersion(QDataStream::Qt_6_4);
    const quint64 limit = quint64(payload.size());
    auto db = std::make_shared<Database>();
    qint32 nextId = 0;
    quint32 tableCount = 0;
    in >> db->name >> nextId >> tableCount;
    check(in, "header");
    checkCount(tableCount, limit, "table");
    db->nextObjectId = nextId;
    try {
        for (quint32 ti = 0; ti < tableCount; ++ti) {
            auto t = std::make_shared<Table>();
            qint32 objectId = 0;
            qint64 identityLast = 0;
            in >> t->name >> t->schema >> objectId >> t->created >> t->modified >> identityLast >> t->identityUsed;
            t->objectId = objectId;
            t->identityLast = identityLast;
            quint32 columnCount = 0;
            in >> columnCount;
            check(in, "table");
            checkCount(columnCount, qMin<quint64>(limit, 4096), "column");
            for (quint32 ci = 0; ci < columnCount; ++ci) {
                Column c;
                in >> c.name;
                c.type = readType(in);
                qint64 seed = 0, increment = 0;
                qint32 defaultId = 0;
                in >> c.nullable >> c.identity >> seed >> increment >> c.rowGuid >> c.defaultText >> c.defaultName >> defaultId;
                check(in, "column");
                c.seed = seed;
                c.increment = increment;
                c.defaultObjectId = defaultId;
                if (!c.defaultText.isEmpty())
                    c.defaultExpr = parseExpression(c.defaultText);
                t->columns.push_back(c);
            }
            quint32 keyCount = 0;
            in >> keyCount;
            check(in, "key");
            checkCount(keyCount, limit, "key");
            for (quint32 i = 0; i < keyCount; ++i) {
                KeyConstraint k;
                qint32 id = 0;
                in >> k.name >> id >> k.primary >> k.clustered >> k.columns;
                if (version >= 3)
                    in >> k.index;
                if (version >= 4)
                    in >> k.included >> k.filterText;
                if (version >= 5)
                    in >> k.descending;
                if (!k.filterText.isEmpty())
                    k.filter = parseExpression(k.filterText);
                k.objectId = id;
                t->keys.push_back(k);
            }
            if (version >= 4) {
                quint32 plainCount = 0;
                in >> plainCount;
                check(in, "index");
                checkCount(plainCount, limit, "index");
                for (quint32 i = 0; i < plainCount; ++i) {
                    KeyConstraint k;
                    k.primary = false;
                    k.index = true;
                    in >> k.name >> k.clustered >> k.columns >> k.included >> k.filterText;
                    if (version >= 5)
                        in >> k.descending;
                    check(in, "index");
                    if (!k.filterText.isEmpty())
                        k.filter = parseExpression(k.filterText);
                    t->plainIndexes.push_back(k);
                }
            }
            quint32 otherCount = 0;
            in >> otherCount;
            check(in, "constraint");
            checkCount(otherCount, limit, "constraint");
            for (quint32 i = 0; i < otherCount; ++i) {
                OtherConstraint o;
                qint32 id = 0;
                quint8 kind = 0;
                in >> o.name >> id >> kind >> o.text;
                if (version >= 3)
                    in >> o.column >> o.enabled;
                if (version >= 4) {
                    qint32 onDelete = 0, onUpdate = 0;
                    in >> o.columns >> o.refTable >> o.refColumns >> onDelete >> onUpdate >> o.trusted;
                    o.onDelete = qBound(0, int(onDelete), 3);
                    o.onUpdate = qBound(0, int(onUpdate), 3);
                }
                if (kind > quint8(ConstraintKind::Check))
                    throw Damaged{QStringLiteral("unknown constraint kind")};
                o.objectId = id;
                o.kind = ConstraintKind(kind);
                if (o.kind == ConstraintKind::Check && !o.text.isEmpty())
                    o.check = parseExpression(o.text);
                t->others.push_back(o);
            }
            quint64 rowCount = 0;
            in >> rowCount;
            check(in, "rows");
            checkCount(rowCount, limit, "row");
            t->rows.reserve(rowCount);
            for (quint64 ri = 0; ri < rowCount; ++ri) {
                auto row = std::make_unique<Row>();
                row->reserve(t->columns.size());
                for (size_t ci = 0; ci < t->columns.size(); ++ci)
                    row->push_back(readValue(in));
                check(in, "row");
                t->rows.push_back(std::move(row));
            }
            db->tables[collationKey(t->name)] = t;
        }
        quint32 propertyCount = 0;
        in >> propertyCount;
        check(in, "properties");
        checkCount(propertyCount, limit, "property");
        for (quint32 i = 0; i < propertyCount; ++i) {
            ExtendedProperty p;
            in >> p.name >> p.level0 >> p.table >> p.column;
            p.value = readValue(in);
            check(in, "property");
            db->properties.push_back(p);
        }
        quint32 moduleCount = 0;
        in >> moduleCount;
        check(in, "modules");
        checkCount(moduleCount, limit, "module");
        for (quint32 i = 0; i < moduleCount; ++i) {
            auto m = std::make_shared<Module>();
            quint8 kind = 0;
            qint32 id = 0;
            in >> kind >> m->name >> m->schema >> id >> m->created >> m->modified >> m->definition;
            if (version >= 4)
                in >> m->disabled;
            check(in, "module");
            if (kind > quint8(ModuleKind::Function))
                throw Damaged{QStringLiteral("unknown module kind")};
            // The stored text is the module: parsing it again gives its table, events and parameters.
            const auto statements = parseBatch(m->definition);
            if (statements.empty() || statements[0]->kind != StmtKind::CreateModule)
                throw Damaged{QStringLiteral("module '%1' has no definition").arg(m->name)};
            const auto& def = static_cast<const CreateModuleStatement&>(*statements[0]);
            if (def.kind != ModuleKind(kind))
                throw Damaged{QStringLiteral("module '%1' does not define its kind").arg(m->name)};
            m->describe(def);
            m->objectId = id;
            db->modules[collationKey(m->name)] = m;
        }
    } catch (const SqlError& e) {
        throw Damaged{e.message.text};
    }
    return db;
}

}  // namespace

bool Engine::save(const QString& directory, QString* error) const
{
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    QDir dir(directory);
    if (!dir.exists() && !QDir().mkpath(directory)) {
        if (error)
            *error = QStringLiteral("Cannot create the directory '%1'.").arg(directory);
        return false;
    }
    QStringList written;
    for (const auto& [k, db] : d->databases) {
        const QString path = dir.filePath(db->name + kExtension);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            if (error)
                *error = QStringLiteral("Cannot write the database file '%1': %2").arg(path, file.errorString());
            return false;
        }
        file.write(serializeDatabase(*db));
        if (!file.commit()) {
            if (error)
                *error = QStringLiteral("Cannot write the database file '%1': %2").arg(path, file.errorString());
            return false;
        }
        written << QFileInfo(path).fileName();
    }
    // Files of databases that no longer exist go away.
    for (const QString& name : dir.entryList({QLatin1Char('*') + kExtension}, QDir::Files))
        if (!written.contains(name))
            dir.remove(name);
    return true;
}

bool Engine::load(const QString& directory, QString* error)
{
    QDir dir(directory);
    if (!dir.exists()) {
        if (error)
            *error = QStringLiteral("The directory '%1' does not exist.").arg(directory);
        return false;
    }
    std::map<QString, std::shared_ptr<Database>> loaded;
    for (const QString& name : dir.entryList({QLatin1Char('*') + kExtension}, QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (error)
                *error = QStringLiteral("Cannot read the database file '%1': %2").arg(path, file.errorString());
            return false;
        }
        try {
            auto db = deserializeDatabase(file.readAll());
            if (!validDatabaseName(db->name) || loaded.count(collationKey(db->name)))
                throw Damaged{QStringLiteral("invalid database name")};
            loaded[collationKey(db->name)] = db;
        } catch (const Damaged& damage) {
            if (error)
                *error = QStringLiteral("The database file '%1' is damaged (%2).").arg(path, damage.reason);
            return false;
        }
    }
    std::lock_guard<std::recursive_mutex> lock(d->mutex);
    d->databases = std::move(loaded);
    return true;
}

}  // namespace standin
