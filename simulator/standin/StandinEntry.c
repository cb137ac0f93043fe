/* The driver stand-ins are never loaded: they only carry a version resource. A module needs an
   entry point all the same. */
int __stdcall OrvexStandinEntry(void* module, unsigned long reason, void* reserved) {
  (void)module;
  (void)reason;
  (void)reserved;
  return 1;
}
