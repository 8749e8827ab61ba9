#include "TestMain.h"
#include "TestEnv.h"

#include <cstdio>
#include <memory>
#include <QApplication>
#include <QByteArray>
#include <QTest>
#include <vector>

namespace TestRegistry {
namespace {
struct TEntry
{
    const char* name;
    Factory factory;
};
std::vector<TEntry>& Entries()
{
    static std::vector<TEntry> entries;
    return entries;
}
} // namespace

int Add(const char* name, Factory factory)
{
    Entries().push_back({name, factory});
    return int(Entries().size());
}
} // namespace TestRegistry

// Usage: <exe> [-class Name] [QtTest options and test functions]
int main(int argc, char** argv)
{
    // A fresh home for the whole run, set before Qt reads anything; tests that need their
    // own folders make a TTestHome of their own.
    TTestHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    app.setApplicationDisplayName(QStringLiteral("TQ5 Report"));

    std::vector<char*> args(argv, argv + argc);
    QByteArray only;
    for (size_t i = 1; i + 1 < args.size(); ++i) {
        if (QByteArray(args[i]) == "-class") {
            only = args[i + 1];
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
            break;
        }
    }

    int failures = 0;
    for (const auto& entry : TestRegistry::Entries()) {
        if (!only.isEmpty() && only != entry.name)
            continue;
        std::unique_ptr<QObject> test(entry.factory());
        failures += QTest::qExec(test.get(), int(args.size()), args.data());
    }
    return failures == 0 ? 0 : 1;
}
