/* A libvorbisfile without ov_info and an OpenAL with alEnable alone: each
 * binding must refuse it as a whole. Nothing here is ever called. */
void ov_clear(void) {}
void ov_read(void) {}
void ov_pcm_total(void) {}
void ov_comment(void) {}
void ov_open_callbacks(void) {}
void alEnable(void) {}
