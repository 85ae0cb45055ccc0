/* Commun aux bancs simavr : chargement du programme et lecture des registres. */
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <sim_avr.h>
#include <sim_elf.h>

/* Charge prog.elf dans un cœur mcu cadencé à frequence Hz ; NULL (message donné) en cas d'échec. */
static avr_t* charger(const char* mcu, const char* fichier, unsigned long frequence) {
    elf_firmware_t f;
    memset(&f, 0, sizeof f);
    if (elf_read_firmware(fichier, &f) != 0) {
        fprintf(stderr, "lecture impossible : %s\n", fichier);
        return NULL;
    }
    avr_t* a = avr_make_mcu_by_name(mcu);
    if (!a) {
        fprintf(stderr, "composant inconnu de simavr : %s\n", mcu);
        return NULL;
    }
    avr_init(a);
    a->log = 0;
    avr_load_firmware(a, &f);
    a->frequency = frequence;
    return a;
}

/* Lecture comme le cœur la ferait : le rappel du périphérique (le timer calcule TCNT à la lecture). */
static uint8_t lire(avr_t* a, uint16_t adresse) {
    if (adresse >= 32 && adresse < 32 + MAX_IOs) {
        avr_io_addr_t io = AVR_DATA_TO_IO(adresse);
        if (a->io[io].r.c) return a->io[io].r.c(a, adresse, a->io[io].r.param);
    }
    return a->data[adresse];
}
