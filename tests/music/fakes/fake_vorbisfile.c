/* A decoder stand-in that exports the six names of libvorbisfile that the
 * binding needs except those named by OMIT_<name> at build time. A binding
 * that misses a name never calls the others. */
#ifndef OMIT_ov_clear
void ov_clear(void) {}
#endif
#ifndef OMIT_ov_read
void ov_read(void) {}
#endif
#ifndef OMIT_ov_pcm_total
void ov_pcm_total(void) {}
#endif
#ifndef OMIT_ov_info
void ov_info(void) {}
#endif
#ifndef OMIT_ov_comment
void ov_comment(void) {}
#endif
#ifndef OMIT_ov_open_callbacks
void ov_open_callbacks(void) {}
#endif
