"""A numpy-backed stand-in for the array framework, holding the small part of
its interface the speech server script uses on Linux."""
