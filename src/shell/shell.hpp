// The task shell: the main menu, the registry of problem classes and the task protocol by which
// the shell drives a class manager.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/session.hpp"

namespace tivor {

// Runs the main menu until the user leaves through the exit menu (returns to stop the program).
void tivor_main(Session& s);

// ---- registry and dispatch ----

void iniclass(Session& s);
std::string getclass(const Session& s);
// True when this program has a manager for class iclass.
bool has_manager(const Session& s, int iclass);
// Calls the manager of class iclass with the task; a code with no manager calls nothing.
void execlass(Session& s, int iclass, int itask);
// The manager of the registered class that has none in this program: refuses with a message.
void unavailable_class_manager(Session& s, int itask);

// ---- shell actions of the main menu ----

void aclass(Session& s);
void amethod(Session& s);
void atask(Session& s);
void awork(Session& s);
// What prepare_task and go do once the user has answered: the first prepares the chosen class
// and method from datfile (pools emptied, the class reads and sets up; true with the task marked
// prepared, false with the flag raised and the pools empty), the second runs steps time steps of
// the prepared task (none for steps <= 0). Batch runs call them without the menus.
bool prepare_chosen_task(Session& s);
void run_steps(Session& s, int32_t steps);
void arez(Session& s);
void termuser(Session& s);
// SETINP: while the film runs, its next frame is due one frame frequency after the current step.
void setinp(Session& s);
// The data-file menu (initial_data).
void aedit(Session& s);
// The memory checker (memory_checker).
void amemo(Session& s);

// The status screen of the main menu's information.
void status_screen(Session& s);
// The menu "exit?" starting at item first_choice: true when the program is to stop (the page
// saved and, for "exit&save", the task written); a failed write of the task shows the menu again.
bool exit_menu(Session& s, int first_choice);

// ---- start-up pieces ----

void title_screen(Session& s, std::string_view title);
// Waits n ticks of 1/18 second or until a key; true when a key ended the wait.
bool await_ticks(Session& s, int n);

// ---- state buffers ----

// Mode 2 writes the whole task state to the buffer file; any other mode reads it.
void rewrin(Session& s, int mode, std::string_view name);
// The interactive form of the main menu: lists buf/*.buf, asks a name, reads or writes.
void rewri(Session& s, int mode);

}  // namespace tivor
