// Builds the template database: runs the schema script on a new SQLite file.
// Usage: makedb <schema.sql> <output Tarrow.mdb>
// The file is written under a temporary name and renamed into place, so an
// interrupted build never leaves a half-made template behind.

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: makedb <schema.sql> <out.mdb>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "makedb: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string sql = ss.str();

    const std::string out = argv[2];
    const std::string tmp = out + ".tmp";
    std::remove(tmp.c_str());

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(tmp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "makedb: cannot create %s: %s\n", tmp.c_str(), db ? sqlite3_errmsg(db) : "?");
        sqlite3_close(db);
        return 1;
    }
    char* err = nullptr;
    int rc = sqlite3_exec(db, "BEGIN", nullptr, nullptr, &err);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, &err);
    // Every view must compile against the tables.
    if (rc == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        rc = sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'view'", -1, &st, nullptr);
        while (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW) {
            const std::string q = std::string("SELECT * FROM \"")
                                  + reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) + "\" LIMIT 0";
            rc = sqlite3_exec(db, q.c_str(), nullptr, nullptr, &err);
        }
        sqlite3_finalize(st);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "VACUUM", nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "makedb: %s\n", err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        sqlite3_close(db);
        std::remove(tmp.c_str());
        return 1;
    }
    sqlite3_close(db);
    if (std::rename(tmp.c_str(), out.c_str()) != 0) {
        std::perror("makedb: rename");
        return 1;
    }
    return 0;
}
