// The creators of the picture, button, panel and state-button widget types.
#pragma once

class TInterfaceLoader;

void RegisterControlTypes(TInterfaceLoader& loader);
