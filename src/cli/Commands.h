#pragma once

namespace AdminCli {

class Context;

// One command of orvo-admin: its name, its help (from "Uso:" on) and what runs it. Each
// command lives in a file of its own, with its printing and its JSON.
struct CommandSpec
{
    const char *name;
    const char *help;
    int (*run)(Context &context);
    bool rehearses; // takes --dry-run
};

extern const CommandSpec plantasCommand;
extern const CommandSpec statusCommand;
extern const CommandSpec equalizarCommand;
extern const CommandSpec semAcentoCommand;
extern const CommandSpec instalarCommand;
extern const CommandSpec chaveCommand;
extern const CommandSpec exportarUsuarioCommand;
extern const CommandSpec conferirCommand;
extern const CommandSpec compararCommand;

} // namespace AdminCli
