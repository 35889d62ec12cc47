// The one symbol the Trends library exports: the program asks it for the extension.

#include "TrendsExtension.h"

extern "C" __attribute__((visibility("default"))) XMExtension* OvelinCreateExtension(
    int interfaceVersion) {
  if (interfaceVersion != TrendsExtension::kInterfaceVersion) {
    return nullptr;
  }
  return new TrendsExtension;
}
