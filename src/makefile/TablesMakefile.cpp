#include "makefile/TablesMakefile.h"

#include "common/Texte.h"
#include "fuses/DescriptionAVR.h"
#include "makefile/TablesPartiesAvrdude.h"
#include "noyau/ValeursMakefile.h"

#include <algorithm>
#include <array>

namespace TablesMakefile {

namespace {

constexpr std::array<LigneMicroContrôleur, 40> TableMicroContrôleurs{{
    {u"ATTiny10", u"attiny10", u"t10"},       {u"ATTiny11", u"attiny11", u"t11"},
    {u"ATTiny12", u"attiny12", u"t12"},       {u"ATTiny13", u"attiny13", u"t13"},
    {u"ATTiny15", u"attiny15", u"t15"},       {u"ATTiny22", u"attiny22", u"t22"},
    {u"ATTiny26", u"attiny26", u"t26"},       {u"ATTiny28", u"attiny28", u"t28"},
    {u"ATTiny2313", u"attiny2313", u"t2313"}, {u"AT90C8534", u"at90c8534", u"8534"},
    {u"AT90CAN128", u"at90can128", u"ND"},    {u"AT90S1200", u"at90s1200", u"1200"},
    {u"AT90S2313", u"at90s2313", u"2313"},    {u"AT90S2323", u"at90s2323", u"2323"},
    {u"AT90S2333", u"at90s2333", u"2333"},    {u"AT90S2343", u"at90s2343", u"2343"},
    {u"AT90S4414", u"at90s4414", u"4414"},    {u"AT90S4433", u"at90s4433", u"4433"},
    {u"AT90S4434", u"at90s4434", u"4434"},    {u"AT90S8515", u"at90s8515", u"8515"},
    {u"AT90S8535", u"at90s8535", u"8535"},    {u"ATMega8", u"atmega8", u"m8"},
    {u"ATMega16", u"atmega16", u"m16"},       {u"ATMega32", u"atmega32", u"m32"},
    {u"ATMega48", u"atmega48", u"m48"},       {u"ATMega64", u"atmega64", u"m64"},
    {u"ATMega88", u"atmega88", u""},          {u"ATMega103", u"atmega103", u"m103"},
    {u"ATMega128", u"atmega128", u"m128"},    {u"ATMega161", u"atmega161", u"m161"},
    {u"ATMega162", u"atmega162", u"m162"},    {u"ATMega163", u"atmega163", u"m163"},
    {u"ATMega169", u"atmega169", u"m169"},    {u"ATMega323", u"atmega323", u"m323"},
    {u"ATMega8515", u"atmega8515", u"m8515"}, {u"ATMega8535", u"atmega8535", u"m8535"},
    {u"AT86RF401", u"at86rf401", u"ND"},      {u"AT89S51", u"at89s51", u"ND"},
    {u"AT89S52", u"at89s52", u"ND"},          {u"AT89START", u"at89start", u"ND"},
}};

constexpr std::array<LigneProgrammateur, 22> TableProgrammateurs{{
    {u"Atmel AVR ISP", u"avrisp"},
    {u"Atmel STK500", u"stk500"},
    {u"Atmel AVR 910", u"avr910"},
    {u"Atmel Butterfly", u"butterfly"},
    {u"Orwen Tesk's pAVR Serial Programmer", u"pavr"},
    {u"STK200", u"stk200"},
    {u"Fendel STK200", u"Fendel-stk200"},
    {u"Pony Prog STK200", u"pony-stk200"},
    {u"Dontronics DT006", u"dt006"},
    {u"Bascom SAMPLE programming cable", u"bascom"},
    {u"Dario Lunt's Programmer", u"sp12"},
    {u"ABCmini Board, aka Tobin Wray HOTCHIP", u"abcmini"},
    {u"Futurlec programming cable", u"futurlec"},
    {u"Kaspar Veil's Programmer", u"bsd"},
    {u"Picoweb Programming Cable", u"picoweb"},
    // Les programmateurs USB et série d'aujourd'hui, sous l'identifiant qu'avrdude leur donne.
    {u"USBasp", u"usbasp"},
    {u"USBtinyISP", u"usbtiny"},
    {u"AVRISP mkII", u"avrispmkII"},
    {u"STK500 v2", u"stk500v2"},
    {u"Arduino as ISP", u"stk500v1"},
    {u"Atmel-ICE (ISP)", u"atmelice_isp"},
    {u"Arduino (bootloader)", u"arduino"},
}};

constexpr std::array<QStringView, 7> TablePorts{u"com1", u"com2", u"com3", u"com4",
                                                u"lpt1", u"lpt2", u"lpt3"};

constexpr std::array<QStringView, 5> TableFréquences{u"1000000", u"4000000", u"8000000", u"16000000",
                                                     u"20000000"};

constexpr std::array<LigneOption, 5> TableOptimisations{{
    {u"Pas d'optimisation", u"0"},
    {u"Optimiser la vitesse méthode 1", u"1"},
    {u"Optimiser la vitesse méthode 2", u"2"},
    {u"Optimiser la vitesse méthode 3", u"3"},
    {u"Optimiser la taille", u"s"},
}};

constexpr std::array<LigneOption, 3> TableFormatsDeSortie{{
    {u"Intel Hex", u"ihex"},
    {u"Binaire", u"binary"},
    {u"Motorola SRec", u"srec"},
}};

constexpr std::array<LigneOption, 2> TableFormatsDeDéboggage{{
    {u"Stabs", u"stabs"},
    {u"Dwarf-2", u"dwarf-2"},
}};

constexpr std::array<LigneOption, 2> TableConversionsCoff{{
    {u"Coff", u"coff"},
    {u"Ext Coff", u"extcoff"},
}};

template <typename Ligne, std::size_t N, typename Champ>
QStringList colonne(const std::array<Ligne, N>& table, Champ champ) {
    QStringList r;
    r.reserve(qsizetype(N));
    for (const Ligne& l : table)
        r << champ(l).toString();
    return r;
}

// Indice de la ligne dont le champ vaut exactement texte ; -1 sinon.
template <typename Ligne, std::size_t N, typename Champ>
int indiceExact(const std::array<Ligne, N>& table, QStringView texte, Champ champ) {
    for (std::size_t i = 0; i < N; ++i)
        if (champ(table[i]) == texte) return int(i);
    return -1;
}

// Ce que make retient d'une valeur : le texte avant un commentaire « # », sans blancs autour.
QString valeurUtile(const QString& texte) {
    return valeurSansCommentaire(texte);
}

int indiceMicroContrôleur(const QString& texte) {
    const QString t = valeurUtile(texte);
    for (std::size_t i = 0; i < TableMicroContrôleurs.size(); ++i)
        if (Texte::egauxSansCasse(TableMicroContrôleurs[i].nom.toString(), t)) return int(i);
    return -1;
}

// Ordre naturel, sans égard à la casse : les nombres se comparent par leur valeur.
bool avantNaturel(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype fa = i, fb = j;
            while (fa < a.size() && a[fa].isDigit())
                ++fa;
            while (fb < b.size() && b[fb].isDigit())
                ++fb;
            const qulonglong na = a.mid(i, fa - i).toULongLong(), nb = b.mid(j, fb - j).toULongLong();
            if (na != nb) return na < nb;
            i = fa;
            j = fb;
            continue;
        }
        const QChar ca = a[i].toLower(), cb = b[j].toLower();
        if (ca != cb) return ca < cb;
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
    return a < b;
}

// Indice, parmi toutes les entrées de la liste, du composant supplémentaire nommé ; -1 sinon.
int indiceSupplémentaire(const QString& texte) {
    const QString t = valeurUtile(texte);
    if (t.isEmpty()) return -1;
    const QStringList autres = microContrôleursSupplémentaires();
    for (qsizetype k = 0; k < autres.size(); ++k)
        if (Texte::egauxSansCasse(autres[k], t)) return int(TableMicroContrôleurs.size() + k);
    return -1;
}

// Une valeur vide (paramètre absent) choisit la première ligne ; une valeur qu'aucune ligne ne
// reconnaît est gardée telle quelle, pour ne pas réécrire en silence le réglage de l'utilisateur.
template <typename Entrée> Sélection sélection(const QString& lu, int indice, Entrée entrée) {
    if (valeurUtile(lu).isEmpty()) return {0, entrée(0).toString()};
    if (indice >= 0) return {indice, entrée(std::size_t(indice)).toString()};
    return {-1, lu};
}

} // namespace

std::span<const LigneMicroContrôleur> microContrôleurs() {
    return TableMicroContrôleurs;
}
std::span<const LigneProgrammateur> programmateurs() {
    return TableProgrammateurs;
}
std::span<const QStringView> ports() {
    return TablePorts;
}
std::span<const QStringView> fréquences() {
    return TableFréquences;
}
std::span<const LigneOption> optimisations() {
    return TableOptimisations;
}
std::span<const LigneOption> formatsDeSortie() {
    return TableFormatsDeSortie;
}
std::span<const LigneOption> formatsDeDéboggage() {
    return TableFormatsDeDéboggage;
}
std::span<const LigneOption> conversionsCoff() {
    return TableConversionsCoff;
}

QString nomDeFiche(const QString& valeurMCU) {
    const QString n = valeurMCU.trimmed().toUpper();
    // Les familles s'écrivent en minuscules après « AT » : ATmega328P, ATtiny85, AT90USB1287.
    for (const QString& famille : {QStringLiteral("mega"), QStringLiteral("tiny"), QStringLiteral("xmega")})
        if (n.mid(2).startsWith(famille.toUpper())) return n.left(2) + famille + n.mid(2 + famille.size());
    return n;
}

QStringList microContrôleursSupplémentaires(const QStringList& décrits, const QSet<QString>& compilés) {
    QStringList r;
    for (const QString& mcu : décrits)
        if (compilés.contains(mcu) && indiceMicroContrôleur(mcu) < 0) r << nomDeFiche(mcu);
    std::sort(r.begin(), r.end(), avantNaturel);
    r.removeDuplicates();
    return r;
}

QStringList microContrôleursSupplémentaires() {
    const QStringList décrits = ComposantsDécrits();
    // Sans description, inutile de lancer avr-gcc.
    if (décrits.isEmpty()) return {};
    return microContrôleursSupplémentaires(décrits, TablesPartiesAvrdude::composantsCompilés());
}

QStringList nomsMicroContrôleurs() {
    return colonne(TableMicroContrôleurs, [](const LigneMicroContrôleur& l) { return l.nom; }) +
           microContrôleursSupplémentaires();
}
QStringList libellésProgrammateurs() {
    return colonne(TableProgrammateurs, [](const LigneProgrammateur& l) { return l.libellé; });
}
QStringList listePorts() {
    return colonne(TablePorts, [](QStringView p) { return p; });
}
QStringList listeFréquences() {
    return colonne(TableFréquences, [](QStringView f) { return f; });
}
QStringList libellésOptimisations() {
    return colonne(TableOptimisations, [](const LigneOption& l) { return l.libellé; });
}

// ---- Du makefile vers la sélection ----

Sélection sélectionMicroContrôleur(const QString& valeur) {
    if (indiceMicroContrôleur(valeur) < 0)
        if (const int k = indiceSupplémentaire(valeur); k >= 0)
            return {k, microContrôleursSupplémentaires()[k - int(TableMicroContrôleurs.size())]};
    return sélection(valeur, indiceMicroContrôleur(valeur),
                     [](std::size_t i) { return TableMicroContrôleurs[i].nom; });
}

Sélection sélectionProgrammateur(const QString& id) {
    const int i =
        indiceExact(TableProgrammateurs, valeurUtile(id), [](const LigneProgrammateur& l) { return l.id; });
    return sélection(id, i, [](std::size_t k) { return TableProgrammateurs[k].libellé; });
}

Sélection sélectionPort(const QString& port) {
    const int i = indiceExact(TablePorts, valeurUtile(port), [](QStringView p) { return p; });
    return sélection(port, i, [](std::size_t k) { return TablePorts[k]; });
}

std::optional<int> indiceFormatDeSortie(const QString& valeur) {
    const int i =
        indiceExact(TableFormatsDeSortie, valeurUtile(valeur), [](const LigneOption& l) { return l.valeur; });
    if (i < 0) return std::nullopt;
    return i;
}

std::optional<int> indiceCoff(const QString& valeur) {
    const QString v = Texte::minuscules(valeurUtile(valeur));
    const int i = indiceExact(TableConversionsCoff, v, [](const LigneOption& l) { return l.valeur; });
    if (i < 0) return std::nullopt;
    return i;
}

int indiceDéboggage(const QString& valeur) {
    return Texte::minuscules(valeurUtile(valeur)) == TableFormatsDeDéboggage[0].valeur ? 0 : 1;
}

bool occupationMémoireCochée(const QString& valeur) {
    return !valeurUtile(valeur).isEmpty();
}

// ---- De la sélection vers le makefile ----

QString valeurMCU(const QString& texte) {
    return Texte::minuscules(texte);
}

std::optional<QString> partieAvrdudePour(const QString& texte) {
    const int i = indiceMicroContrôleur(texte);
    if (i >= 0) {
        const LigneMicroContrôleur& l = TableMicroContrôleurs[std::size_t(i)];
        if (!l.partie.isEmpty() && l.partie != PartieNonDisponible) return l.partie.toString();
        // Sans identifiant dans la table, l'avrdude installé le connaît peut-être (m88, c128).
        if (auto p = TablesPartiesAvrdude::partiePour(l.nom.toString())) return p;
        return l.partie.toString();
    }
    if (auto p = TablesPartiesAvrdude::partiePour(valeurUtile(texte))) return p;
    // Un composant de la liste qu'avrdude ne connaît pas : garder l'identifiant du précédent ferait
    // programmer un autre circuit ; « ND » fait refuser « make program » clairement.
    if (indiceSupplémentaire(texte) >= 0) return PartieNonDisponible.toString();
    return std::nullopt;
}

QString partieAvrdudePour(const QString& texte, const QString& précédente) {
    return partieAvrdudePour(texte).value_or(précédente);
}

QString optionsAvrdude(const QString& partie) {
    return QStringLiteral("-p ") + partie + QStringLiteral(" -P $(AVRDUDE_PORT) -c $(AVRDUDE_PROGRAMMER)");
}

std::optional<QString> idProgrammateurPour(const QString& texte) {
    const QString t = texte.trimmed();
    if (t.isEmpty()) return std::nullopt;
    for (const LigneProgrammateur& l : TableProgrammateurs)
        if (l.libellé == t) return l.id.toString();
    for (const LigneProgrammateur& l : TableProgrammateurs)
        if (Texte::egauxSansCasse(l.libellé.toString(), t)) return l.id.toString();
    return t;
}

std::optional<QString> valeurOptimisationPour(const QString& libellé) {
    const int i = indiceExact(TableOptimisations, libellé, [](const LigneOption& l) { return l.libellé; });
    if (i < 0) return std::nullopt;
    return TableOptimisations[std::size_t(i)].valeur.toString();
}

std::optional<QString> valeurFormatDeSortie(int indice) {
    if (indice < 0 || indice >= int(TableFormatsDeSortie.size())) return std::nullopt;
    return TableFormatsDeSortie[std::size_t(indice)].valeur.toString();
}

QString valeurCoff(int indice) {
    return TableConversionsCoff[indice == 0 ? 0 : 1].valeur.toString();
}

QString valeurDéboggage(int indice) {
    return TableFormatsDeDéboggage[indice == 0 ? 0 : 1].valeur.toString();
}

QString valeurOccupationMémoire(bool cochée) {
    return cochée ? OccupationMémoire.toString() : QString();
}

} // namespace TablesMakefile
