#pragma once

#include <QObject>

// Each test executable is every test class of one folder; a class registers itself with
// TQ5_TEST(ClassName) in its .cpp and the common main runs them all.
namespace TestRegistry {
using Factory = QObject* (*)();
int Add(const char* name, Factory factory);
} // namespace TestRegistry

#define TQ5_TEST(Class)                                                                                      \
    static const int tq5_registered_##Class =                                                                \
        TestRegistry::Add(#Class, []() -> QObject* { return new Class; });
