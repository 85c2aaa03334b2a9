/* Icon resource identifiers, shared by app.rc and the program's code. */
#ifndef HOARDIUM_RESOURCE_H
#define HOARDIUM_RESOURCE_H

#define IDI_APP             1
#define IDI_PAUSED          4
#define IDI_OPTIONS         5
#define IDI_PREVIEW_OPEN    6
#define IDI_PREVIEW_CLOSED  7
#define IDI_DECOR           8
#define IDI_COPY            9
#define IDI_DELETE          10
#define IDI_PIN_OFF         11
#define IDI_PIN_ON          12

#endif
