// The registry of problem classes and the dispatcher that calls their managers.
#include <cstring>

#include "console/console.hpp"
#include "shell/shell.hpp"

namespace tivor {
namespace {

struct RegistryRow {
  const char* code;
  const char* title;
};

constexpr RegistryRow kRegistry[12] = {
    {"sol ", "2D elasto-plastic media (lagrange)"},
    {"gs  ", "2D viscous gas flow (euler)"},
    {"hy  ", "2D viscous fluid flow (euler)"},
    {"flt ", "2D filtration in elastic-plastic media"},
    {"sw  ", "2D shallow water problems"},
    {"bl  ", "2D block elastic-plastic media"},
    {"dif ", "2D diffusion problems"},
    {"sl  ", "3D elasto-plastic media,(moving coordinates)"},
    {"ffd ", "3D filtration, implicit scheme"},
    {"gfd ", "3D viscous gas/fluid flow fd (euler)"},
    {"gfe ", "3D viscous gas/fluid flow fe (euler)"},
    {"the ", "3D heat transfer"},
};

}  // namespace

void iniclass(Session& s) {
  for (int i = 0; i < 15; ++i) {
    set_field(s.cls.clname[i], i < 12 ? kRegistry[i].title : "");
    set_field(s.cls.clcode[i], i < 12 ? kRegistry[i].code : "");
  }
}

std::string getclass(const Session& s) {
  if (s.cls.iclass < 1 || s.cls.iclass > 15) return "    ";
  return std::string(s.cls.clcode[s.cls.iclass - 1], 4);
}

namespace {

const ManagerEntry* manager_of(const Session& s, int iclass) {
  if (iclass < 1 || iclass > 15) return nullptr;
  const std::string code(s.cls.clcode[iclass - 1], 4);
  for (const ManagerEntry& entry : s.managers) {
    if (entry.code.size() == 4 && entry.code == code && entry.manager) return &entry;
  }
  return nullptr;
}

}  // namespace

bool has_manager(const Session& s, int iclass) {
  return manager_of(s, iclass) != nullptr;
}

void execlass(Session& s, int iclass, int itask) {
  if (const ManagerEntry* entry = manager_of(s, iclass)) entry->manager(s, itask);
}

void unavailable_class_manager(Session& s, int /*itask*/) {
  s.cls.nmethod = 0;
  flag_on(s, " 3D heat transfer: the class is not available in this program");
}

}  // namespace tivor
