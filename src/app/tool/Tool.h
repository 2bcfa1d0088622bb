#pragma once

#include <QStringList>

#include <cstdio>

// Each subcommand takes its own arguments (without the subcommand's name)
// and returns the process's exit status.
namespace qcm::app::tool {

int Show(const QStringList& args);
int Resave(const QStringList& args);
int Picture(const QStringList& args);
int Frames(const QStringList& args);
int Export(const QStringList& args);
int Print(const QStringList& args);
int Import(const QStringList& args);

// Every command with its options, on out.
void PrintHelp(std::FILE* out);
// One command's help on out; false when there is no such command.
bool PrintCommandHelp(const QString& name, std::FILE* out);
// Tells the command's usage line on stderr; returns 2, the status of a misuse.
int Misuse(const char* name);

} // namespace qcm::app::tool
