"""Generators of the content data the program carries (see generate_content.py)."""
