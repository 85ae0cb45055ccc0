#include "noyau/EtatGlobal.h"

EtatGlobal& etatGlobal() {
    static EtatGlobal etat;
    return etat;
}
