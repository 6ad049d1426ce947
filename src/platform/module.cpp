#include "platform/module.h"

namespace platform {
namespace {

ModuleHandle g_ownModule = nullptr;
ModuleHandle g_resourceModule = nullptr;

}  // namespace

ModuleHandle OwnModule() {
    return g_ownModule;
}

void SetOwnModule(ModuleHandle module) {
    g_ownModule = module;
    g_resourceModule = module;
}

ModuleHandle ResourceModule() {
    return g_resourceModule;
}

void SetResourceModule(ModuleHandle module) {
    g_resourceModule = module;
}

ModuleStateGuard::ModuleStateGuard() : previous_(g_resourceModule) {
    g_resourceModule = g_ownModule;
}

ModuleStateGuard::~ModuleStateGuard() {
    g_resourceModule = previous_;
}

}  // namespace platform
