/*
 * Banc de mesure sur simavr : charge un programme ELF, le fait tourner et mesure une broche
 * (période et temps haut moyens, la première période écartée car le timer y démarre), un
 * compteur lu en continu, ou relit des registres en fin de course.
 *
 * mesure_simavr -m MCU -f HZ [-b B1] [-c ADRESSE] [-r ADRESSE]... [-p ADRESSE=OCTET]... [-n PERIODES]
 *               [-t SECONDES] prog.elf
 *   -b : broche mesurée (port et bit)
 *   -c : adresse (espace des données) d'un compteur 8 bits dont on mesure le cycle
 *   -r : registre relu à la fin (espace des données), plusieurs fois permis
 *   -p : octet écrit en mémoire avant le départ (une variable .noinit que le programme lit pour
 *        choisir ce qu'il fait : un seul programme pour plusieurs cas), plusieurs fois permis
 *   -n : nombre de périodes mesurées après la première (4 par défaut)
 *   -t : durée simulée au plus (2 s par défaut)
 * mesure_simavr -m MCU : dit seulement si simavr connaît le composant (code de sortie 0, sinon 1).
 * Sortie : lignes « clé=valeur », lues par les tests.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <avr_ioport.h>
#include <sim_avr.h>
#include <sim_elf.h>
#include <sim_irq.h>

#include "banc_simavr.h"

#define MAX_FRONTS 64
#define MAX_REGISTRES 16

/* Fronts relevés sur la broche : cycle de chaque front et niveau atteint. */
static avr_cycle_count_t fronts[MAX_FRONTS];
static int niveaux[MAX_FRONTS];
static int nombreFronts = 0;
static int dernierNiveau = -1;
static avr_t* avr = NULL;

static void surChangement(struct avr_irq_t* irq, uint32_t valeur, void* param) {
    (void)irq;
    (void)param;
    int niveau = valeur ? 1 : 0;
    /* simavr notifie aussi les écritures qui ne changent rien */
    if (niveau == dernierNiveau)
        return;
    dernierNiveau = niveau;
    if (nombreFronts < MAX_FRONTS) {
        fronts[nombreFronts] = avr->cycle;
        niveaux[nombreFronts] = niveau;
        nombreFronts++;
    }
}

static void usage(void) {
    fprintf(stderr,
            "usage : mesure_simavr -m MCU -f HZ [-b B1] [-c ADR] [-r ADR]... [-p ADR=OCTET]... [-n N] [-t S] "
            "prog.elf\n");
    exit(2);
}

int main(int argc, char** argv) {
    const char* mcu = NULL;
    const char* fichier = NULL;
    unsigned long frequence = 0;
    char port = 0;
    int bit = -1;
    long compteur = -1;
    long registres[MAX_REGISTRES];
    int nombreRegistres = 0;
    long ecritures[MAX_REGISTRES][2];
    int nombreEcritures = 0;
    int periodes = 4;
    double secondes = 2.0;

    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (a[0] == '-' && i + 1 < argc) {
            const char* v = argv[++i];
            switch (a[1]) {
            case 'm': mcu = v; break;
            case 'f': frequence = strtoul(v, NULL, 0); break;
            case 'b':
                if (strlen(v) != 2)
                    usage();
                port = v[0];
                bit = v[1] - '0';
                break;
            case 'c': compteur = strtol(v, NULL, 0); break;
            case 'r':
                if (nombreRegistres < MAX_REGISTRES)
                    registres[nombreRegistres++] = strtol(v, NULL, 0);
                break;
            case 'p': {
                char* fin = NULL;
                long adresse = strtol(v, &fin, 0);
                if (*fin != '=' || nombreEcritures >= MAX_REGISTRES) usage();
                ecritures[nombreEcritures][0] = adresse;
                ecritures[nombreEcritures][1] = strtol(fin + 1, NULL, 0);
                nombreEcritures++;
                break;
            }
            case 'n': periodes = atoi(v); break;
            case 't': secondes = atof(v); break;
            default: usage();
            }
        } else {
            fichier = a;
        }
    }
    if (mcu && !fichier && frequence == 0 && !port && compteur < 0) {
        avr_t* essai = avr_make_mcu_by_name(mcu);
        printf("connu=%d\n", essai != NULL);
        return essai ? 0 : 1;
    }
    if (!mcu || !fichier || frequence == 0)
        usage();

    avr = charger(mcu, fichier, frequence);
    if (!avr) return 1;
    for (int i = 0; i < nombreEcritures; i++) {
        if (ecritures[i][0] < 0 || ecritures[i][0] > avr->ramend) {
            fprintf(stderr, "adresse hors de la mémoire : %ld\n", ecritures[i][0]);
            return 1;
        }
        avr->data[ecritures[i][0]] = (uint8_t)ecritures[i][1];
    }

    if (port) {
        avr_irq_t* irq = avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ(port), bit);
        if (!irq) {
            fprintf(stderr, "broche inconnue : %c%d\n", port, bit);
            return 1;
        }
        avr_irq_register_notify(irq, surChangement, NULL);
    }

    /* Compteur : instants où il redescend après avoir monté (débordement, ou sommet en double pente). */
    avr_cycle_count_t descentes[MAX_FRONTS];
    int nombreDescentes = 0;
    int precedent = -1;
    int montait = 0;

    avr_cycle_count_t limite = (avr_cycle_count_t)(secondes * (double)frequence);
    /* fronts montants voulus : un pour démarrer, puis « periodes » périodes */
    int frontsVoulus = 2 * (periodes + 1) + 1;
    int etat = cpu_Running;
    while (etat != cpu_Done && etat != cpu_Crashed && avr->cycle < limite) {
        etat = avr_run(avr);
        if (compteur >= 0) {
            int v = lire(avr, (uint16_t)compteur);
            if (precedent >= 0) {
                if (v < precedent && montait && nombreDescentes < MAX_FRONTS)
                    descentes[nombreDescentes++] = avr->cycle;
                if (v != precedent)
                    montait = v > precedent;
            }
            precedent = v;
            if (nombreDescentes >= periodes + 2)
                break;
        }
        if (port && compteur < 0 && nombreFronts >= frontsVoulus)
            break;
    }
    if (etat == cpu_Crashed) {
        fprintf(stderr, "le programme a planté dans simavr\n");
        return 1;
    }

    printf("cycles=%llu\n", (unsigned long long)avr->cycle);
    if (port) {
        /* périodes entre fronts montants, la première écartée */
        int montants[MAX_FRONTS];
        int n = 0;
        for (int i = 0; i < nombreFronts; i++)
            if (niveaux[i] == 1)
                montants[n++] = i;
        printf("fronts=%d\n", nombreFronts);
        if (n >= 3) {
            int premier = montants[1];
            int dernier = montants[n - 1];
            double periode = (double)(fronts[dernier] - fronts[premier]) / (n - 2);
            double haut = 0;
            int hauts = 0;
            for (int k = 1; k < n - 1; k++) {
                int i = montants[k];
                if (i + 1 < nombreFronts) {
                    haut += (double)(fronts[i + 1] - fronts[i]);
                    hauts++;
                }
            }
            haut /= hauts;
            printf("periode_cycles=%.3f\n", periode);
            printf("haut_cycles=%.3f\n", haut);
            printf("frequence=%.6f\n", (double)frequence / periode);
            printf("rapport=%.6f\n", haut / periode);
        }
    }
    if (compteur >= 0 && nombreDescentes >= 3) {
        double cycle = (double)(descentes[nombreDescentes - 1] - descentes[1]) / (nombreDescentes - 2);
        printf("cycle_compteur=%.3f\n", cycle);
    }
    for (int i = 0; i < nombreRegistres; i++)
        printf("registre_0x%lx=%d\n", registres[i], lire(avr, (uint16_t)registres[i]));
    avr_terminate(avr);
    return 0;
}
