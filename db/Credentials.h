#pragma once

#include <QSqlDatabase>
#include <QString>

#include <cstddef>
#include <string>

namespace erpdb {

// What one password hash costs (Argon2id). Every hash carries its own cost, so hashes of
// different costs verify side by side.
struct HashCost {
    unsigned long long ops;
    std::size_t memory;  // bytes
    // libsodium's "interactive" limits: about a tenth of a second and 64 MiB a hash, for a login
    // a clerk waits on. What erp-db passwd, the demo and the server's dummy hash use.
    static HashCost Interactive();
    // The least Argon2id allows: for test fixtures that hash on every set-up, never for real.
    static HashCost Cheapest();
};

// The Argon2id hash of a password with a fresh random salt, in libsodium's text form
// ("$argon2id$v=19$m=...,t=...,p=1$salt$hash").
std::string HashPassword(const QString& password, HashCost cost = HashCost::Interactive());
// True when the password is the one hashed; false for any other password or a malformed hash.
bool VerifyPassword(const std::string& hash, const QString& password);

// The shortest password an operator may be given.
constexpr int kMinPasswordLength = 8;

// Gives an operator (active or not) a new password, stored only as its hash, and ends the
// operator's open sessions: whoever knew the old password is out. Throws std::runtime_error
// with a Portuguese message when the operator does not exist or the password is too short.
void SetPassword(QSqlDatabase& db, const QString& operador, const QString& password,
                 HashCost cost = HashCost::Interactive());
// The same with a hash made beforehand (the demo gives every operator the same password).
void StorePasswordHash(QSqlDatabase& db, const QString& operador, const std::string& hash);

}  // namespace erpdb
