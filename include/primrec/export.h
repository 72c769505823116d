/* primrec: what the shared library exports. The library is built with every
 * symbol hidden but its interface, so that its internals are not part of the
 * binary interface a program links against. */
#ifndef PRIMREC_EXPORT_H
#define PRIMREC_EXPORT_H

#if defined(__GNUC__)
#define PRIMREC_API __attribute__((visibility("default")))
#else
#define PRIMREC_API
#endif

#endif
