#include "launcher/EtatGlobal.h"

EtatGlobal& etatGlobal() {
    static EtatGlobal etat;
    return etat;
}
