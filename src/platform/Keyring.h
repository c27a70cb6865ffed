#pragma once

#include <QString>

#include <functional>

// The port to the desktop's password store (the Secret Service). Items are generic
// passwords named by a service and an account. The answers may come later (the store is
// reached over D-Bus), always on the main thread; a test double answers at once.
class Keyring {
public:
    virtual ~Keyring() = default;

    // False when no password store runs: nothing can be kept, and nothing is written
    // anywhere else instead.
    virtual bool isAvailable() const = 0;

    // ok false with an empty error: no such item.
    using ReadDone = std::function<void(bool ok, const QString& secret, const QString& error)>;
    using WriteDone = std::function<void(bool ok, const QString& error)>;
    virtual void readPassword(const QString& service, const QString& account, ReadDone done) = 0;
    // Creates the item or replaces its secret.
    virtual void writePassword(const QString& service, const QString& account, const QString& secret,
                               WriteDone done) = 0;
    // A missing item is no error.
    virtual void deletePassword(const QString& service, const QString& account, WriteDone done) = 0;
};

// The Secret Service through QtKeychain.
class SecretServiceKeyring final : public Keyring {
public:
    bool isAvailable() const override;
    void readPassword(const QString& service, const QString& account, ReadDone done) override;
    void writePassword(const QString& service, const QString& account, const QString& secret,
                       WriteDone done) override;
    void deletePassword(const QString& service, const QString& account, WriteDone done) override;
};
