#include "PlotPictures.h"

#include <dlfcn.h>

#include <filesystem>

// The installed library folder of the plugin, relative to the program's.
#ifndef OSTRA_PLUGINS_FROM_BIN
#error "OSTRA_PLUGINS_FROM_BIN must name the plugin folder relative to the program's"
#endif

#define OSTRA_NAME_OF(x) OSTRA_NAME_OF_EXPANDED(x)
#define OSTRA_NAME_OF_EXPANDED(x) #x

namespace Ostra {

TPlotPicturesWriter LoadPlotPictures(std::string& problem) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path bin = fs::read_symlink("/proc/self/exe", ec).parent_path();
  if (ec) {
    problem = "cannot find the program's folder: " + ec.message();
    return nullptr;
  }
  const fs::path places[] = {bin, (bin / OSTRA_PLUGINS_FROM_BIN).lexically_normal()};
  for (const fs::path& place : places) {
    const fs::path file = place / PlotPicturesFile;
    if (!fs::exists(file, ec)) continue;
    // Kept loaded until the process ends: Qt's application object lives as
    // long.
    void* plugin = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!plugin) {
      const char* why = dlerror();
      problem = why ? why : file.string() + ": cannot be loaded";
      return nullptr;
    }
    if (void* entry = dlsym(plugin, OSTRA_NAME_OF(OSTRA_PLOT_PICTURES_ENTRY)))
      return reinterpret_cast<TPlotPicturesWriter>(entry);
    problem = file.string() + " is not the picture writer of this program's version";
    dlclose(plugin);
    return nullptr;
  }
  problem = std::string("the picture writer ") + PlotPicturesFile + " is missing (looked in " + places[0].string() +
            " and " + places[1].string() + ")";
  return nullptr;
}

}  // namespace Ostra
