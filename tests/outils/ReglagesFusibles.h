#pragma once
// Composant et programmateur simulé des fusibles ; les autres valeurs du makefile sont effacées.
#include "fixtures/programmateur/ProgrammateurSimule.h"
#include "makefile/ParametreMakefile.h"

inline void réglerFusibles(const ProgrammateurSimule& p, const QString& mcu, const QString& partie,
                           const QString& programmateur) {
    ValeursMakefile& v = valeursMakefile();
    v = {};
    v.MicroContrôleur = mcu;
    v.PartieAvrdude = partie;
    v.Programmateur = programmateur;
    v.PortProgrammateur = p.port();
}
