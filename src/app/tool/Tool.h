#pragma once

#include <QStringList>

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

} // namespace qcm::app::tool
